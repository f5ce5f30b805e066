# Sourced by the project's scripts: a virtual X display of the project's own.
#   kv_xvfb_start  starts Xvfb on the first free display and exports DISPLAY and KV_XVFB_PID;
#   kv_xvfb_stop   stops that Xvfb by its process id.

kv_xvfb_start() {
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do
        n=$((n + 1))
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    KV_XVFB_PID=$!
    local tries=0
    while [ ! -e "/tmp/.X11-unix/X$n" ]; do
        if ! kill -0 "$KV_XVFB_PID" 2>/dev/null || [ $tries -ge 100 ]; then
            echo "Xvfb did not start on :$n" >&2
            return 1
        fi
        sleep 0.1
        tries=$((tries + 1))
    done
    export DISPLAY=":$n" KV_XVFB_PID
}

kv_xvfb_stop() {
    if [ -n "${KV_XVFB_PID:-}" ]; then
        kill "$KV_XVFB_PID" 2>/dev/null || true
        wait "$KV_XVFB_PID" 2>/dev/null || true
        unset KV_XVFB_PID
    fi
}
