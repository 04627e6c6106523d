# Shared by the test and screenshot scripts: starts a virtual display with a window manager and a
# session bus, exporting what the tests need; stop_test_services undoes it.
_started_pids=()

start_test_services() {
    local state=$1
    mkdir -p "$state"
    if command -v Xvfb >/dev/null; then
        local display=:$((90 + RANDOM % 400))
        Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
        _started_pids+=($!)
        export DISPLAY=$display
        for _ in $(seq 50); do
            xdpyinfo -display "$display" >/dev/null 2>&1 && break
            sleep 0.1
        done
        openbox --sm-disable >"$state/openbox.log" 2>&1 &
        _started_pids+=($!)
    fi
    if command -v dbus-daemon >/dev/null; then
        local address
        address=$(dbus-daemon --session --fork --print-address=1 --print-pid=3 3>"$state/dbus.pid")
        _started_pids+=("$(cat "$state/dbus.pid")")
        export DBUS_SESSION_BUS_ADDRESS=$address
    fi
}

stop_test_services() {
    local pid
    for pid in "${_started_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${_started_pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    _started_pids=()
}
