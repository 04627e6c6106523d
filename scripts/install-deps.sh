#!/usr/bin/env bash
# Installs every distribution package the build, the application and the tests need.
# Idempotent: when everything is present it prints nothing and touches nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format ccache
    clang libclang-rt-14-dev
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    qt6-httpserver-dev qt6-websockets-dev qt6-svg-dev
    libqt6sql6-sqlite libqt6sql6-psql libqt6svg6
    qcoro-qt6-dev qtkeychain-qt6-dev
    libxcb1-dev libxcb-ewmh-dev libxcb-icccm4-dev libxcb-res0-dev
    libgl-dev libxkbcommon-dev libwayland-dev wayland-protocols
    xvfb xauth openbox x11-utils xdotool dbus dbus-x11 at-spi2-core
    fonts-noto-cjk
    pkexec polkitd
    postgresql
    dpkg-dev lintian desktop-file-utils appstream systemd
    gnome-shell python3-dbusmock python3-gi gir1.2-gtk-3.0 sway wtype kwin-wayland qt6-wayland nodejs
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi
echo "Installing missing packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
