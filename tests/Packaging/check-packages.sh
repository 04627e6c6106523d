#!/usr/bin/env bash
# Makes the two Debian packages from an existing build folder and checks them: dependencies,
# contents, the files unpacked into a scratch root, the server started with the options of its
# packaged settings file, the desktop entries, the metainfo, the systemd unit and lintian.
#
#   check-packages.sh BUILD_DIR SCRATCH_DIR
set -uo pipefail

build=$1
scratch=$2
id=com.corvane.vantorel
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -rf "$scratch"
mkdir -p "$scratch/root"
if ! (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >cpack.log 2>&1); then
    cat "$scratch/cpack.log" >&2
    exit 1
fi
app_deb=$(ls "$scratch"/out/vantorel_*.deb)
server_deb=$(ls "$scratch"/out/vantorel-server_*.deb)
[ -f "$app_deb" ] && [ -f "$server_deb" ] || exit 1

depends_on() {
    local deb=$1 depends
    depends=$(dpkg-deb --field "$deb" Depends | tr ',|' '\n\n' | sed 's/^ *//; s/[ (].*//')
    for package in "${@:2}"; do
        grep -qx "$package" <<<"$depends" || fail "$(basename "$deb") does not depend on $package"
    done
}
depends_on "$app_deb" libqt6widgets6 libqt6dbus6 libqt6sql6-sqlite libqt6svg6 libqcoro6core0 \
    libqt6keychain1 libxcb-ewmh2 libxcb-res0 pkexec
depends_on "$server_deb" libqt6httpserver6 libqt6sql6-sqlite

contains() {
    local deb=$1 listing
    listing=$(dpkg-deb --contents "$deb" | awk '{print $1, $NF}' | sed 's| \./| /|')
    for path in "${@:2}"; do
        grep -q " $path$" <<<"$listing" || fail "$(basename "$deb") lacks $path"
    done
}
contains "$app_deb" /usr/bin/vantorel /usr/share/applications/$id.desktop /usr/share/metainfo/$id.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/$id.svg /usr/share/icons/hicolor/256x256/apps/$id.png \
    /etc/xdg/autostart/$id.desktop /usr/share/doc/vantorel/copyright \
    /usr/share/vantorel/gnome-shell/{42,45}/shield@vantorel.corvane.com/{metadata.json,extension.js}
contains "$server_deb" /usr/bin/vantorel-server /lib/systemd/system/vantorel-server.service \
    /usr/share/doc/vantorel-server/copyright
# The settings may hold the database password.
dpkg-deb --contents "$server_deb" | grep '^-rw------- root/root .* \./etc/default/vantorel-server$' >/dev/null \
    || fail "/etc/default/vantorel-server is not root's alone"

root=$scratch/root
dpkg-deb -x "$app_deb" "$root"
dpkg-deb -x "$server_deb" "$root"
for entry in "$root/usr/share/applications/$id.desktop" "$root/etc/xdg/autostart/$id.desktop"; do
    desktop-file-validate "$entry" || fail "desktop-file-validate $entry"
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$root/usr/bin/$program" ] || fail "$entry starts $program, which is not in /usr/bin"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$entry names a missing icon $icon"
done
grep -qx 'Exec=vantorel --autostart' "$root/etc/xdg/autostart/$id.desktop" || fail "the login entry lacks --autostart"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

unit=$root/lib/systemd/system/vantorel-server.service
[ "$(sed -n 's/^EnvironmentFile=//p' "$unit")" = /etc/default/vantorel-server ] \
    || fail "the unit does not read /etc/default/vantorel-server"
# Verified as a unit of this system that starts the unpacked binary (with --root, systemd would
# look for every target a service depends on inside the scratch root).
if command -v systemd-analyze >/dev/null; then
    mkdir -p "$scratch/unit"
    sed "s|^ExecStart=/|ExecStart=$root/|" "$unit" >"$scratch/unit/vantorel-server.service"
    out=$(systemd-analyze verify --man=no "$scratch/unit/vantorel-server.service" 2>&1) \
        && ! grep -q vantorel-server <<<"$out" || fail "systemd-analyze verify: $out"
else
    echo "SKIP: systemd-analyze verify (not installed here)"
fi

# The unit's command line as systemd expands it from the packaged settings file, with the port
# and the database moved into the scratch folder.
(
    set -a
    . "$root/etc/default/vantorel-server"
    mkdir -p "$scratch/var/vantorel/server"
    # shellcheck disable=SC2086 # split into arguments as systemd splits $VAR
    exec "$root/usr/bin/vantorel-server" ${LISTEN//:8787/:0} ${DATABASE//\/var\/lib\//$scratch\/var\/} \
        $TIMEZONE $OPTIONS --quiet
) >"$scratch/server.out" 2>&1 &
server=$!
for _ in $(seq 100); do
    grep -q 'listening on' "$scratch/server.out" || ! kill -0 $server 2>/dev/null && break
    sleep 0.1
done
grep -q 'listening on 0.0.0.0:' "$scratch/server.out" && [ -f "$scratch/var/vantorel/server/vantorel-server.sqlite3" ] \
    || fail "the server did not start with the packaged settings: $(cat "$scratch/server.out")"
kill $server 2>/dev/null
wait $server 2>/dev/null

# Errors fail; warnings are listed. Lintian refuses root without --allow-root.
for deb in "$app_deb" "$server_deb"; do
    lintian --allow-root --fail-on error --tag-display-limit 0 "$deb" || fail "lintian $(basename "$deb")"
done

ls -l "$app_deb" "$server_deb"
[ $failures -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
