# Install rules and two Debian packages from one build (`cpack -G DEB` in the build folder):
#
#   vantorel         the application, its desktop entry, icon and AppStream metainfo, and the entry
#                    in /etc/xdg/autostart that starts it at login for accounts bound as children
#   vantorel-server  the family server with its systemd unit and /etc/default/vantorel-server
#
# The translations are compiled into the executable as Qt resources (i18n/), so no .qm file is
# installed. ./scripts/package.sh builds both packages in a clean release folder.

set(VANTOREL_PACKAGE_MAINTAINER "Corvane <packages@corvane.com>" CACHE STRING
    "Maintainer field of the Debian packages")
set(VANTOREL_HOMEPAGE "https://www.corvane.com/" CACHE STRING "Homepage of the packages")

set(_pkg ${PROJECT_SOURCE_DIR}/packaging)
set(_staged ${PROJECT_BINARY_DIR}/packaging)
set(_id ${VANTOREL_BUNDLE_IDENTIFIER})

# The metainfo's release date follows SOURCE_DATE_EPOCH when it is set, so that two builds of one
# commit give the same file.
string(TIMESTAMP VANTOREL_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(${_pkg}/app/metainfo.xml.in ${_staged}/${_id}.metainfo.xml @ONLY)
configure_file(${_pkg}/app/app.desktop.in ${_staged}/${_id}.desktop @ONLY)
configure_file(${_pkg}/app/autostart.desktop.in ${_staged}/autostart/${_id}.desktop @ONLY)
configure_file(${_pkg}/app/conffiles.in ${_staged}/app/conffiles @ONLY)
configure_file(${_pkg}/app/postinst ${_staged}/app/postinst COPYONLY)
foreach(_script postinst prerm postrm conffiles)
    configure_file(${_pkg}/server/${_script} ${_staged}/server/${_script} COPYONLY)
endforeach()

# Debian wants the changelog and the manual pages compressed without a time stamp in the header.
find_program(VANTOREL_GZIP gzip REQUIRED)
function(vantorel_gzip source target)
    add_custom_command(OUTPUT ${target}
        COMMAND ${VANTOREL_GZIP} -9nc ${source} > ${target}
        DEPENDS ${source} VERBATIM)
endfunction()
vantorel_gzip(${_pkg}/changelog ${_staged}/changelog.gz)
vantorel_gzip(${_pkg}/app/vantorel.1 ${_staged}/vantorel.1.gz)
vantorel_gzip(${_pkg}/server/vantorel-server.8 ${_staged}/vantorel-server.8.gz)
add_custom_target(vantorel_package_files ALL
    DEPENDS ${_staged}/changelog.gz ${_staged}/vantorel.1.gz ${_staged}/vantorel-server.8.gz)

# Packaging runs `cmake --install` on what is already built; it never starts a build of its own.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

# --- the application ------------------------------------------------------------------------
install(TARGETS vantorel RUNTIME DESTINATION bin COMPONENT app)
install(FILES ${_staged}/${_id}.desktop DESTINATION share/applications COMPONENT app)
install(FILES ${_staged}/${_id}.metainfo.xml DESTINATION share/metainfo COMPONENT app)
install(FILES ${PROJECT_SOURCE_DIR}/resources/app/${_id}.svg
    DESTINATION share/icons/hicolor/scalable/apps COMPONENT app)
foreach(_size 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/app/${_id}-${_size}.png
        DESTINATION share/icons/hicolor/${_size}x${_size}/apps RENAME ${_id}.png COMPONENT app)
endforeach()
install(FILES ${_staged}/autostart/${_id}.desktop DESTINATION /etc/xdg/autostart COMPONENT app)
install(FILES ${_staged}/vantorel.1.gz DESTINATION share/man/man1 COMPONENT app)
# The GNOME Shell extension's variants (cmake/GnomeShellExtension.cmake), of which the child guard
# copies the one for the computer's Shell into the system extensions folder and locks it on
# (src/Platform/Linux/LinuxChildGuard.h). Shipped here rather than in that folder so that
# installing the package alone changes no desktop.
install(DIRECTORY ${VANTOREL_GNOME_SHELL_DIR}/ DESTINATION share/vantorel/gnome-shell COMPONENT app)
install(FILES ${_pkg}/copyright ${_staged}/changelog.gz DESTINATION share/doc/vantorel COMPONENT app)

# --- the family server ----------------------------------------------------------------------
install(TARGETS vantorel-server RUNTIME DESTINATION bin COMPONENT server)
install(FILES ${_pkg}/server/vantorel-server.service DESTINATION /lib/systemd/system COMPONENT server)
# Holds the database address, which may carry a password: readable by root only (systemd reads
# it before dropping privileges).
install(FILES ${_pkg}/server/vantorel-server.default DESTINATION /etc/default RENAME vantorel-server
    PERMISSIONS OWNER_READ OWNER_WRITE COMPONENT server)
install(FILES ${_staged}/vantorel-server.8.gz DESTINATION share/man/man8 COMPONENT server)
install(FILES ${_pkg}/copyright ${_staged}/changelog.gz DESTINATION share/doc/vantorel-server
    COMPONENT server)

# --- CPack ----------------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantorel)
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_CONTACT "${VANTOREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL app server)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTOREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VANTOREL_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps; the list below names what is loaded as a plugin
# or run as a program, which it cannot see: the SQLite driver and the administrator prompt.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_APP_PACKAGE_NAME vantorel)
set(CPACK_DEBIAN_APP_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_APP_PACKAGE_DEPENDS "libqt6sql6-sqlite, pkexec | policykit-1")
# dconf-cli compiles the lock that keeps the guard's GNOME Shell extension enabled; on KDE Plasma,
# Qt's Wayland plugin makes the lock windows ones KWin can keep above all others.
set(CPACK_DEBIAN_APP_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager, dconf-cli, qt6-wayland")
set(CPACK_DEBIAN_APP_PACKAGE_CONTROL_EXTRA ${_staged}/app/postinst ${_staged}/app/conffiles)
set(CPACK_COMPONENT_APP_DESCRIPTION
    "family screen-time rules for a child's computer
岚哨 (Vantorel) runs on every computer of a family. On a child's computer it
enforces the screen-time rules a parent sets for chosen applications: a daily
limit, a nightly blocked period and an immediate remote lock. On a parent's
computer it edits those rules and answers the child's unlock requests. The
computers meet through a family server (package vantorel-server).")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME vantorel-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_SERVER_PACKAGE_SUGGESTS "libqt6sql6-psql, postgresql")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${_staged}/server/postinst ${_staged}/server/prerm ${_staged}/server/postrm ${_staged}/server/conffiles)
set(CPACK_COMPONENT_SERVER_DESCRIPTION
    "family server of the 岚哨 screen-time application
The REST/JSON service that the 岚哨 (Vantorel) computers of a family meet
through: families, devices, rules, usage, device health and unlock requests,
kept in an SQLite file or in PostgreSQL. Runs as the systemd service
vantorel-server; its settings are in /etc/default/vantorel-server.")

include(CPack)
