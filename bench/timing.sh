# shellcheck shell=sh
# Timing helpers of bench/ops.sh and bench/batch.sh (sourced; needs $OUT).

# ImageMagick itself, not a wrapper earlier on the path.
IM=convert
[ -x /usr/bin/convert ] && IM=/usr/bin/convert
#
# best_run [-d DIR] CMD...: runs CMD $RUNS times (a run over 10 s is not
# repeated; with -d, DIR is emptied before each run) and prints the best wall
# time and that run's processor time (user + system) in seconds, or
# "failed failed".
best_run() {
    dir=""
    if [ "$1" = -d ]; then
        dir=$2
        shift 2
    fi
    best=""
    n=0
    while [ $n -lt "$RUNS" ]; do
        if [ -n "$dir" ]; then rm -rf "$dir" && mkdir -p "$dir"; fi
        /usr/bin/time -f "%e %U %S" -o "$OUT/time.txt" "$@" >/dev/null 2>"$OUT/last.err" || {
            echo "failed failed"
            return
        }
        t=$(awk '{ printf "%.3f %.3f", $1, $2 + $3 }' "$OUT/time.txt")
        if [ -z "$best" ] || awk -v a="${t%% *}" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then best=$t; fi
        awk -v a="${t%% *}" 'BEGIN { exit !(a > 10) }' && break
        n=$((n + 1))
    done
    echo "$best"
}

# The peers' threads: ImageMagick and GraphicsMagick run OpenMP with their own
# default (shown by -list resource), libvips one worker per processor unless
# VIPS_CONCURRENCY says otherwise.
peer_threads() {
    im=$("$IM" -list resource 2>/dev/null | awk '$1 == "Thread:" { print $2 }')
    gmt=$(gm convert -list resource 2>/dev/null | awk '$1 == "Threads:" { print $2 }')
    echo "threads: lumagrove $(nproc) (one per processor), ImageMagick ${im:-?}, GraphicsMagick ${gmt:-?}," \
        "libvips ${VIPS_CONCURRENCY:-$(nproc)}; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
}

# table FILE: rows "SECTION|TITLE|TOOL|WALL CPU" as a table per section, each
# tool's wall time divided by the fastest peer's (lumagrove is no peer), and
# lumagrove's ratio against GOAL (the section's second field after "<=").
table() {
    awk -F'|' '
        function flush(   i, r) {
            if (n == 0) return
            printf "\n%s\n%-46s %8s %8s %9s\n", title, "tool", "wall s", "cpu s", "/ fastest"
            for (i = 1; i <= n; i++) {
                r = (fast == "" || wall[i] == "failed") ? "-" : sprintf("%.2f", wall[i] / fast)
                printf "%-46s %8s %8s %9s\n", tool[i], wall[i], cpu[i], r
            }
            if (fast != "" && lg != "" && lg != "failed")
                printf "lumagrove / fastest peer (%s): %.2f, goal <= %s\n", fastname, lg / fast, goal
            n = 0; fast = ""; lg = ""
        }
        $1 != sec { flush(); sec = $1; title = $2; goal = $5 }
        {
            n++; tool[n] = $3; split($4, t, " "); wall[n] = t[1]; cpu[n] = t[2]
            if ($3 == "lumagrove" || $3 ~ /^lumagrove /) lg = t[1]
            else if (t[1] != "failed" && (fast == "" || t[1] + 0 < fast + 0)) { fast = t[1]; fastname = $3 }
        }
        END { flush() }
    ' "$1"
}
