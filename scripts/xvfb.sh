# Sourced: starts virtual X screens for the Windows program and its tests.
#
# xvfb_start [SCREEN]   starts Xvfb (SCREEN as WIDTHxHEIGHTxDEPTH, default
#                       1024x768x24) on the first free display number from
#                       LG_XVFB_FIRST (default 100) on, and returns once the
#                       server takes clients. Sets XVFB_DISPLAY (":n") and
#                       XVFB_PID; fails when no display could be started.
#
# A number counts as taken while its socket or lock file exists. Two scripts
# may still pick the same number at the same moment: the server that loses
# ends at once, and the search goes on with the next number. Xvfb writes its
# display number to the -displayfd descriptor only once it accepts clients,
# so no client is started early and none waits for a fixed time.
xvfb_start() {
    _xvfb_n=${LG_XVFB_FIRST:-100}
    _xvfb_ready=$(mktemp)
    _xvfb_last=$((_xvfb_n + 50))
    while [ "$_xvfb_n" -lt "$_xvfb_last" ]; do
        if [ -e "/tmp/.X$_xvfb_n-lock" ] || [ -e "/tmp/.X11-unix/X$_xvfb_n" ]; then
            _xvfb_n=$((_xvfb_n + 1))
            continue
        fi
        Xvfb ":$_xvfb_n" -displayfd 3 -screen 0 "${1:-1024x768x24}" -nolisten tcp \
            3>"$_xvfb_ready" >/dev/null 2>&1 </dev/null &
        XVFB_PID=$!
        _xvfb_wait=0  # in twentieths of a second; a sound server answers at once
        while [ ! -s "$_xvfb_ready" ] && [ "$_xvfb_wait" -lt 600 ] && kill -0 "$XVFB_PID" 2>/dev/null; do
            sleep 0.05
            _xvfb_wait=$((_xvfb_wait + 1))
        done
        if [ -s "$_xvfb_ready" ]; then
            rm -f "$_xvfb_ready"
            XVFB_DISPLAY=:$_xvfb_n
            return 0
        fi
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        _xvfb_n=$((_xvfb_n + 1))
    done
    rm -f "$_xvfb_ready"
    echo "xvfb.sh: could not start Xvfb on any display from :${LG_XVFB_FIRST:-100} to :$((_xvfb_last - 1))" >&2
    return 1
}
