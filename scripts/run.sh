#!/usr/bin/env bash
# Builds and starts 岚哨 against a family server of its own: installs missing packages, builds a
# release in build-run/, starts build-run/server/vantorel-server on a loopback port with its
# embedded SQLite database, and starts the application with that server as its built-in address.
# The server stops when the application exits. Without a display a virtual one is started.
#
#   ./scripts/run.sh            # port 8787, or the next free one
#   VANTOREL_RUN_PORT=9000 ./scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=${VANTOREL_RUN_PORT:-8787}
while port_in_use "$port"; do
    port=$((port + 1))
done
url="http://127.0.0.1:$port"

# The address is compiled in; a different port reconfigures (and recompiles one small unit).
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTOREL_BUILD_TESTS=OFF -DVANTOREL_BUILD_BENCH=OFF \
    -DVANTOREL_DEFAULT_BACKEND_URL="$url" >/dev/null
cmake --build build-run -j2 --target vantorel vantorel-server

pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

build-run/server/vantorel-server --listen "127.0.0.1:$port" --quiet &
pids+=($!)
for _ in $(seq 1 50); do
    port_in_use "$port" && break
    sleep 0.1
done
if ! port_in_use "$port"; then
    echo "The family server did not start on port $port." >&2
    exit 1
fi
echo "Family server: $url (SQLite, its default database file)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    display=99
    while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=":$display"
    for _ in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$display" ] && break
        sleep 0.1
    done
    if command -v openbox >/dev/null; then
        openbox >/dev/null 2>&1 &
        pids+=($!)
    fi
    cat <<MSG
No display was set: the application runs on the virtual display $DISPLAY (Xvfb, 1280x800).
To look at it, from another terminal:
    xwd -root -display $DISPLAY -out /tmp/vantorel.xwd        # a still picture (x11-utils)
    apt-get install x11vnc && x11vnc -display $DISPLAY -localhost  # then any VNC viewer on :5900
Or run ./scripts/screenshots.sh for PNGs of every screen.
MSG
fi

echo "Starting 岚哨 (close its window to stop everything)."
build-run/app/vantorel
