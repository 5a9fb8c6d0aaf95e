#!/bin/sh
# Runs every libFuzzer target for the given number of seconds each, seeded
# from the generated test pictures. Crashes are kept in build/fuzz/crashes.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
SECONDS_EACH=${1:-300}
scripts/build.sh fuzz
mkdir -p build/fuzz/crashes build/fuzz/corpus
[ -d build/native/testdata ] && cp -n build/native/testdata/* build/fuzz/corpus/ 2>/dev/null || true
status=0
for target in build/fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    mkdir -p "build/fuzz/corpus/$name"
    echo "fuzzing $name for ${SECONDS_EACH}s"
    "$target" -max_total_time="$SECONDS_EACH" -print_final_stats=0 \
        -artifact_prefix=build/fuzz/crashes/ "build/fuzz/corpus/$name" build/fuzz/corpus \
        >"build/fuzz/$name.log" 2>&1 || { status=1; tail -30 "build/fuzz/$name.log"; }
done
exit $status
