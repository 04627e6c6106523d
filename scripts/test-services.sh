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

# A throwaway PostgreSQL cluster on a loopback port for the family-server tests and benchmarks:
# initdb into a fresh folder, pg_ctl start, and stop_test_postgres removes it all again. Exports
# VANTOREL_TEST_POSTGRES_URL. Extra server settings (e.g. "-F" to skip fsync) go in $1.
# Without the PostgreSQL server package it says so and leaves the variable unset.
_postgres_dir=
_postgres_bin=
_postgres_runner=()

start_test_postgres() {
    local settings=${1:-}
    _postgres_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
    if [ -z "$_postgres_bin" ] || [ ! -x "$_postgres_bin/initdb" ]; then
        echo "test-services: PostgreSQL server not installed; PostgreSQL tests cannot run" >&2
        return 0
    fi
    _postgres_dir=$(mktemp -d /tmp/vantorel-postgres.XXXXXX)
    # initdb refuses to run as root: the cluster belongs to the distribution's postgres user.
    if [ "$(id -u)" -eq 0 ]; then
        chown postgres: "$_postgres_dir"
        _postgres_runner=(runuser -u postgres --)
    else
        _postgres_runner=()
    fi
    local user
    user=$("${_postgres_runner[@]}" id -un)
    if ! "${_postgres_runner[@]}" "$_postgres_bin/initdb" -D "$_postgres_dir/data" -A trust -U "$user" \
        -E UTF8 --no-locale >"$_postgres_dir/initdb.log" 2>&1; then
        echo "test-services: initdb failed; see $_postgres_dir/initdb.log" >&2
        return 1
    fi
    local port attempt
    for attempt in 1 2 3 4 5; do
        port=$((20000 + RANDOM % 20000))
        if "${_postgres_runner[@]}" "$_postgres_bin/pg_ctl" -D "$_postgres_dir/data" -l "$_postgres_dir/server.log" \
            -w -t 30 -o "-p $port -c listen_addresses=127.0.0.1 -k $_postgres_dir -c max_connections=200 $settings" \
            start >/dev/null 2>&1; then
            export VANTOREL_TEST_POSTGRES_URL="postgres://$user@127.0.0.1:$port/postgres"
            echo "test-services: PostgreSQL cluster on 127.0.0.1:$port" >&2
            return 0
        fi
    done
    echo "test-services: PostgreSQL did not start; see $_postgres_dir/server.log" >&2
    return 1
}

stop_test_postgres() {
    if [ -n "$_postgres_dir" ] && [ -d "$_postgres_dir/data" ]; then
        "${_postgres_runner[@]}" "$_postgres_bin/pg_ctl" -D "$_postgres_dir/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    [ -n "$_postgres_dir" ] && rm -rf "$_postgres_dir"
    _postgres_dir=
    unset VANTOREL_TEST_POSTGRES_URL
}
