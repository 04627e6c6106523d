#!/usr/bin/env bash
# Builds the Debian packages vantorel and vantorel-server in a clean release build folder
# (build-package/, or the folder given) with Debian's hardening flags, and prints their paths.
#
#   ./scripts/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

build=${1:-build-package}
rm -rf "$build"
# Debian's compiler and linker flags with all hardening (fortified functions, stack protector,
# read-only relocations, immediate binding); no debug information, since packages are stripped.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVANTOREL_BUILD_TESTS=OFF -DVANTOREL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"${VANTOREL_JOBS:-2}"
(cd "$build" && cpack -G DEB >/dev/null)
for deb in "$build"/*.deb; do
    realpath "$deb"
done
