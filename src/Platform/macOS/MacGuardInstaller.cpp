#include "Platform/macOS/MacGuardInstaller.h"

#include <QFile>
#include <QStringList>

using namespace Qt::StringLiterals;

QString MacGuardInstaller::markerFile() const
{
    return u"/Library/Application Support/Vantorel/guard.on"_s;
}

GuardInstaller::State MacGuardInstaller::state() const
{
    QFile marker(markerFile());
    return marker.open(QIODevice::ReadOnly) ? State::running : State::notInstalled;
}

QString MacGuardInstaller::installScript(const QString& sourceAppPath) const
{
    const QStringList lines {
        u"set -e"_s,
        u"APP_SRC="_s + shellQuoted(sourceAppPath),
        u"DEST=\"/Applications/$(basename \"$APP_SRC\")\""_s,
        u"if [ \"$APP_SRC\" != \"$DEST\" ]; then"_s,
        u"  rm -rf \"$DEST\""_s,
        u"  ditto \"$APP_SRC\" \"$DEST\""_s,
        u"fi"_s,
        u"chown -R root:wheel \"$DEST\""_s,
        u"chmod -R a+rX \"$DEST\""_s,
        u"BIN=\"$DEST/Contents/MacOS/$(/usr/libexec/PlistBuddy -c 'Print :CFBundleExecutable' \"$DEST/Contents/Info.plist\")\""_s,
        u"mkdir -p \"/Library/Application Support/Vantorel\""_s,
        u"mkdir -p /Library/LaunchAgents"_s,
        u"cat > \"/Library/LaunchAgents/com.corvane.vantorel.guard.plist\" <<EOF"_s,
        u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"_s,
        u"<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"_s,
        u"<plist version=\"1.0\"><dict>"_s,
        u"  <key>Label</key><string>com.corvane.vantorel.guard</string>"_s,
        u"  <key>ProgramArguments</key><array><string>${BIN}</string></array>"_s,
        u"  <key>RunAtLoad</key><true/>"_s,
        u"  <key>KeepAlive</key><true/>"_s,
        u"</dict></plist>"_s,
        u"EOF"_s,
        u"chown root:wheel \"/Library/LaunchAgents/com.corvane.vantorel.guard.plist\""_s,
        u"chmod 644 \"/Library/LaunchAgents/com.corvane.vantorel.guard.plist\""_s,
        u"CONSOLE_UID=\"$(stat -f %u /dev/console)\""_s,
        u"launchctl bootout \"gui/${CONSOLE_UID}/com.corvane.vantorel.guard\" >/dev/null 2>&1 || true"_s,
        u"launchctl bootstrap \"gui/${CONSOLE_UID}\" \"/Library/LaunchAgents/com.corvane.vantorel.guard.plist\""_s,
        u"printf '%s' \"$DEST\" > \"/Library/Application Support/Vantorel/guard.on\""_s,
        u"chown root:wheel \"/Library/Application Support/Vantorel/guard.on\""_s,
        u"chmod 644 \"/Library/Application Support/Vantorel/guard.on\""_s,
    };
    return lines.join(u'\n');
}

QString MacGuardInstaller::teardownScript() const
{
    const QStringList lines {
        u"CONSOLE_UID=\"$(stat -f %u /dev/console)\""_s,
        u"launchctl bootout \"gui/${CONSOLE_UID}/com.corvane.vantorel.guard\" >/dev/null 2>&1 || true"_s,
        u"rm -f \"/Library/LaunchAgents/com.corvane.vantorel.guard.plist\""_s,
        u"rm -f \"/Library/Application Support/Vantorel/guard.on\""_s,
    };
    return lines.join(u'\n');
}

QString MacGuardInstaller::updateScript(const QString& imagePath) const
{
    const QStringList lines {
        u"set -e"_s,
        u"DMG="_s + shellQuoted(imagePath),
        u"MOUNT=\"/tmp/CorvaneUpdateMount\""_s,
        u"hdiutil detach \"$MOUNT\" >/dev/null 2>&1 || true"_s,
        u"rm -rf \"$MOUNT\""_s,
        u"mkdir -p \"$MOUNT\""_s,
        u"hdiutil attach -nobrowse -mountpoint \"$MOUNT\" \"$DMG\""_s,
        u"APP=\"$(/usr/bin/find \"$MOUNT\" -maxdepth 2 -name '*.app' -print -quit)\""_s,
        u"test -n \"$APP\""_s,
        u"DEST=\"/Applications/$(basename \"$APP\")\""_s,
        u"rm -rf \"$DEST\""_s,
        u"ditto \"$APP\" \"$DEST\""_s,
        u"if [ -f \"/Library/Application Support/Vantorel/guard.on\" ]; then"_s,
        u"  chown -R root:wheel \"$DEST\""_s,
        u"  chmod -R a+rX \"$DEST\""_s,
        u"fi"_s,
        u"hdiutil detach \"$MOUNT\" >/dev/null 2>&1 || true"_s,
        u"nohup /bin/bash -c 'sleep 2; launchctl asuser \"$1\" open \"$2\"' _ \"$(stat -f %u /dev/console)\" \"$DEST\" >/dev/null 2>&1 &"_s,
    };
    return lines.join(u'\n');
}

void MacGuardInstaller::startUpdatedCopy() const { }
