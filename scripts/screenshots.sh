#!/usr/bin/env bash
# PNG pictures of 岚哨's screens, rendered on a virtual X display with the CJK fonts:
# the home screen of each role, every binding-wizard step, the parent's sheets, the more menu's
# screens, the app selection and the lock screen, in Chinese and in English.
#
#   ./scripts/screenshots.sh [OUTPUT_DIR]     (default: screenshots/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")

./scripts/install-deps.sh
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build build -j2 --target vantorel_screenshots

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
done

mkdir -p "$out"
for language in zh-Hans en; do
    mkdir -p "$out/$language"
    HOME=$(mktemp -d) DISPLAY=":$display" QT_QPA_PLATFORM=xcb LANG=zh_CN.UTF-8 \
        build/tools/screenshots/vantorel_screenshots "$out/$language" "$language"
done
echo "Screenshots are in $out/zh-Hans and $out/en"
