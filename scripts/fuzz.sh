#!/bin/sh
# Runs every libFuzzer target for the given number of seconds each, resuming
# from its kept corpus (fuzz/corpus/TARGET) and the hand-made seeds. New
# inputs collect in build/fuzz/corpus/TARGET; with FUZZ_KEEP=1 those that add
# coverage are merged into the kept corpus afterwards (-merge=1). Every input
# that crashes, hangs or runs out of memory is copied to
# fuzz/regressions/TARGET, which the replay tests of make test run.
# Under ASan and UBSan, with 2 s per input, 2 GB of RSS and no single
# allocation above the picture buffer limit (1 GiB).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
SECONDS_EACH=${1:-300}
scripts/build.sh fuzz
mkdir -p build/fuzz/crashes build/fuzz/corpus build/fuzz/seeds
sh fuzz/make_seeds.sh build/fuzz/seeds >/dev/null
status=0
for target in build/fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    mkdir -p "build/fuzz/corpus/$name" "build/fuzz/crashes/$name" "fuzz/corpus/$name"
    rm -f "build/fuzz/crashes/$name"/*  # kept in fuzz/regressions already
    echo "fuzzing $name for ${SECONDS_EACH}s"
    ${FUZZ_NICE:-nice -n 19} "$target" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -rss_limit_mb=2048 -timeout=2 -malloc_limit_mb=1024 \
        -artifact_prefix="build/fuzz/crashes/$name/" "build/fuzz/corpus/$name" "fuzz/corpus/$name" \
        build/fuzz/seeds >"build/fuzz/$name.log" 2>&1 || tail -30 "build/fuzz/$name.log"
    grep -E "^stat::number_of_executed_units|^Done [0-9]+ runs" "build/fuzz/$name.log" | tail -2 || true
    for f in "build/fuzz/crashes/$name"/*; do
        [ -f "$f" ] || continue
        mkdir -p "fuzz/regressions/$name"
        cp "$f" "fuzz/regressions/$name/"
        echo "kept $f in fuzz/regressions/$name"
        # On a starved machine the 2 s alarm also strikes quick inputs: a
        # timeout counts only when the input is slow on its own too, by its
        # CPU time (2 s, as the alarm; the wall clock of a loaded machine
        # says nothing), with a wide alarm left for a hang that does not spin.
        case $(basename "$f") in
            timeout-*) (ulimit -t 2 && "$target" -timeout=60 "$f" >/dev/null 2>&1) || status=1 ;;
            *) status=1 ;;
        esac
    done
    if [ "${FUZZ_KEEP:-0}" = 1 ]; then
        "$target" -merge=1 -rss_limit_mb=2048 -timeout=2 "fuzz/corpus/$name" "build/fuzz/corpus/$name" \
            >"build/fuzz/$name.merge.log" 2>&1 || true
    fi
done
exit $status
