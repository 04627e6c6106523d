#include "Platform/Linux/LinuxChildGuard.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {
QString q(const QString& text)
{
    return LinuxChildGuard::shellQuoted(text);
}

// Names that go into scripts and digest lists as they are.
bool isPlainName(const QString& name)
{
    static const QRegularExpression plain(u"^[A-Za-z0-9_][A-Za-z0-9._-]*$"_s);
    return plain.match(name).hasMatch();
}

QString versionRange(const QList<int>& versions)
{
    const QString first = QString::number(versions.constFirst());
    return versions.size() == 1 ? first : first + u'-' + QString::number(versions.constLast());
}
} // namespace

LinuxChildGuard::LinuxChildGuard()
    : LinuxChildGuard(Options {})
{
}

LinuxChildGuard::LinuxChildGuard(Options options)
    : m_options(std::move(options))
{
}

QString LinuxChildGuard::installDirectory() const
{
    return m_options.root + u"/opt/vantorel"_s;
}

QString LinuxChildGuard::markerDirectory() const
{
    return m_options.root + u"/var/lib/vantorel"_s;
}

QString LinuxChildGuard::markerFile() const
{
    return markerDirectory() + u"/guard.on"_s;
}

QString LinuxChildGuard::keeperPath() const
{
    return m_options.root + u"/usr/local/libexec/vantorel-guard-keeper"_s;
}

QString LinuxChildGuard::unitPath() const
{
    return m_options.root + u"/etc/systemd/system/"_s + unitName;
}

QString LinuxChildGuard::extensionDirectory() const
{
    return m_options.root + u"/usr/share/gnome-shell/extensions/"_s + extensionUuid;
}

QString LinuxChildGuard::extensionStoreDirectory() const
{
    return installDirectory() + u"/gnome-shell"_s;
}

QString LinuxChildGuard::dconfProfile() const
{
    return m_options.root + u"/etc/dconf/profile/user"_s;
}

QString LinuxChildGuard::dconfDatabaseDirectory() const
{
    return m_options.root + u"/etc/dconf/db"_s;
}

QString LinuxChildGuard::dconfKeyFile() const
{
    return dconfDatabaseDirectory() + u"/local.d/50-vantorel-shield"_s;
}

QString LinuxChildGuard::dconfLockFile() const
{
    return dconfDatabaseDirectory() + u"/local.d/locks/vantorel-shield"_s;
}

QString LinuxChildGuard::dconfKeys() const
{
    const QStringList lines {
        u"[org/gnome/shell]"_s,
        // Locked, this list replaces each account's own: other extensions a child or parent had
        // switched on no longer run on this computer. A list merged with the accounts' own would
        // have to be unlocked, and then the child could take ours out of it.
        u"enabled-extensions=['"_s + extensionUuid + u"']"_s,
        // The Shell skips an extension named here even when it is enabled.
        u"disabled-extensions=@as []"_s,
        u"disable-user-extensions=false"_s,
        // A Shell newer than every variant gets the newest one, which it would otherwise refuse
        // for not naming its version.
        u"disable-extension-version-validation=true"_s,
    };
    return lines.join(u'\n');
}

QString LinuxChildGuard::dconfLocks() const
{
    const QStringList lines {
        u"/org/gnome/shell/enabled-extensions"_s,
        u"/org/gnome/shell/disabled-extensions"_s,
        u"/org/gnome/shell/disable-user-extensions"_s,
        u"/org/gnome/shell/disable-extension-version-validation"_s,
    };
    return lines.join(u'\n');
}

QList<LinuxChildGuard::ExtensionVariant> LinuxChildGuard::extensionVariants(const QString& source)
{
    QList<ExtensionVariant> variants;
    const QStringList names
        = source.isEmpty() ? QStringList() : QDir(source).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const auto& name : names) {
        QFile metadata(source + u'/' + name + u'/' + extensionUuid + u"/metadata.json"_s);
        if (!isPlainName(name) || !metadata.open(QIODevice::ReadOnly)) {
            continue;
        }
        ExtensionVariant variant { name, {} };
        const auto versions
            = QJsonDocument::fromJson(metadata.read(64 * 1024)).object().value(u"shell-version"_s).toArray();
        for (const auto& version : versions) {
            // "46", or "46.1": only the major version tells the Shells apart.
            const int major = version.toString().section(u'.', 0, 0).toInt();
            if (major > 0 && !variant.shellVersions.contains(major)) {
                variant.shellVersions << major;
            }
        }
        std::sort(variant.shellVersions.begin(), variant.shellVersions.end());
        if (!variant.shellVersions.isEmpty()) {
            variants << variant;
        }
    }
    std::sort(variants.begin(), variants.end(), [](const auto& a, const auto& b) {
        return a.shellVersions.constFirst() < b.shellVersions.constFirst();
    });
    return variants;
}

QString LinuxChildGuard::shippedExtensionDirectory()
{
    QStringList candidates;
    if (QCoreApplication::instance()) {
        candidates << QCoreApplication::applicationDirPath() + u"/../share/vantorel/gnome-shell"_s;
    }
    candidates << u"/usr/share/vantorel/gnome-shell"_s;
    for (const auto& candidate : std::as_const(candidates)) {
        if (!extensionVariants(candidate).isEmpty()) {
            return QDir::cleanPath(candidate);
        }
    }
    return {};
}

QString LinuxChildGuard::installedAppPath() const
{
    return installDirectory() + u"/vantorel"_s;
}

GuardInstaller::State LinuxChildGuard::state() const
{
    if (!QFileInfo::exists(markerFile())) {
        const bool canInstall = !QStandardPaths::findExecutable(m_options.pkexec).isEmpty()
            && !QStandardPaths::findExecutable(m_options.systemctl).isEmpty();
        return canInstall ? State::notInstalled : State::unavailable;
    }
    // The keeper is a script: its path is an argument of the interpreter that runs it.
    const QByteArray keeper = keeperPath().toUtf8();
    const QDir proc(m_options.proc);
    for (const auto& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile cmdline(proc.filePath(pid + u"/cmdline"_s));
        if (!cmdline.open(QIODevice::ReadOnly)) {
            continue;
        }
        for (const auto& argument : cmdline.read(64 * 1024).split('\0')) {
            if (argument == keeper) {
                return State::running;
            }
        }
    }
    return State::stopped;
}

QString LinuxChildGuard::sha256OfFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        return {};
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString LinuxChildGuard::keeperScript() const
{
    const QStringList lines {
        u"#!/bin/bash"_s,
        u"# Keeps 岚哨 running in the graphical session of whoever sits at the console. Started by"_s,
        u"# "_s + unitName + u" as root; only root can stop it."_s,
        u"APP="_s + q(installedAppPath()),
        u"MARKER="_s + q(markerFile()),
        u""_s,
    };
    const QStringList loop {
        u"session_property() {"_s,
        u"  loginctl show-session \"$1\" -p \"$2\" --value 2>/dev/null"_s,
        u"}"_s,
        u""_s,
        u"# One variable from the environment of a process of the session; nothing else is taken."_s,
        u"session_variable() {"_s,
        u"  local uid=$1 sid=$2 name=$3 pid"_s,
        u"  for pid in $(pgrep -u \"$uid\"); do"_s,
        u"    if tr '\\0' '\\n' <\"/proc/$pid/environ\" 2>/dev/null | grep -qx \"XDG_SESSION_ID=$sid\"; then"_s,
        u"      tr '\\0' '\\n' <\"/proc/$pid/environ\" 2>/dev/null | sed -n \"s/^$name=//p\" | head -n 1"_s,
        u"      return"_s,
        u"    fi"_s,
        u"  done"_s,
        u"}"_s,
        u""_s,
        u"while :; do"_s,
        u"  sleep 3"_s,
        u"  [ -f \"$MARKER\" ] && [ -x \"$APP\" ] || continue"_s,
        u"  sync_shield"_s,
        u"  sid=\"$(loginctl show-seat seat0 -p ActiveSession --value 2>/dev/null)\""_s,
        u"  [ -n \"$sid\" ] || continue"_s,
        u"  type=\"$(session_property \"$sid\" Type)\""_s,
        u"  case \"$type\" in x11|wayland) ;; *) continue ;; esac"_s,
        u"  [ \"$(session_property \"$sid\" State)\" = active ] || continue"_s,
        u"  user=\"$(session_property \"$sid\" Name)\""_s,
        u"  uid=\"$(session_property \"$sid\" User)\""_s,
        u"  [ -n \"$user\" ] && [ \"$uid\" != 0 ] || continue"_s,
        u"  home=\"$(getent passwd \"$user\" | cut -d: -f6)\""_s,
        u"  display=\"$(session_property \"$sid\" Display)\""_s,
        u"  [ -n \"$display\" ] || display=\"$(session_variable \"$uid\" \"$sid\" DISPLAY)\""_s,
        u"  xauthority=\"$(session_variable \"$uid\" \"$sid\" XAUTHORITY)\""_s,
        u"  wayland=\"$(session_variable \"$uid\" \"$sid\" WAYLAND_DISPLAY)\""_s,
        u"  # Runs in the foreground: the loop goes on only when the application has ended. A copy"_s,
        u"  # already running in the session (started by hand) ends and this one takes its place."_s,
        u"  runuser -u \"$user\" -- env -i HOME=\"$home\" USER=\"$user\" LOGNAME=\"$user\" \\"_s,
        u"    PATH=/usr/local/bin:/usr/bin:/bin XDG_RUNTIME_DIR=\"/run/user/$uid\" \\"_s,
        u"    DBUS_SESSION_BUS_ADDRESS=\"unix:path=/run/user/$uid/bus\" XDG_SESSION_ID=\"$sid\" \\"_s,
        u"    XDG_SESSION_TYPE=\"$type\" DISPLAY=\"$display\" XAUTHORITY=\"$xauthority\" \\"_s,
        u"    WAYLAND_DISPLAY=\"$wayland\" \"$APP\" --replace >/dev/null 2>&1 </dev/null"_s,
        u"done"_s,
    };
    // The install runs the same step once, so that the Shell finds the extension at the next login.
    const QStringList syncOnly {
        u"if [ \"${1:-}\" = --sync-shield ]; then"_s, u"  sync_shield"_s, u"  exit $?"_s, u"fi"_s, u""_s,
    };
    return (lines + extensionSyncLines() + syncOnly + loop).join(u'\n');
}

QStringList LinuxChildGuard::extensionSyncLines() const
{
    const QString source
        = m_options.extensionSource.isEmpty() ? shippedExtensionDirectory() : m_options.extensionSource;
    const auto variants = extensionVariants(source);
    if (variants.isEmpty()) {
        return { u"sync_shield() { :; }"_s, u""_s };
    }
    auto choice = [](const ExtensionVariant& variant) {
        return u"echo '"_s + variant.name + u' ' + versionRange(variant.shellVersions) + u"'"_s;
    };
    QStringList lines {
        u"STORE="_s + q(extensionStoreDirectory()),
        u"EXT_DIR="_s + q(extensionDirectory()),
        u"GNOME_SHELL="_s + q(m_options.gnomeShell),
        u"SHIELD_KEY=none"_s,
        u""_s,
        u"# The variant for a major Shell version, and the versions it serves. One that no variant"_s,
        u"# names gets the newest variant whose first version is not above it (below them all, the"_s,
        u"# oldest), and an unknown one the newest; the answer then fails, for the caller to say so."_s,
        u"shield_variant() {"_s,
        u"  case \"$1\" in"_s,
    };
    for (const auto& variant : variants) {
        QStringList numbers;
        for (const int version : variant.shellVersions) {
            numbers << QString::number(version);
        }
        lines << u"    "_s + numbers.join(u'|') + u") "_s + choice(variant) + u" ;;"_s;
    }
    lines << u"    *)"_s << u"      if [ -z \"$1\" ]; then "_s + choice(variants.constLast());
    for (auto variant = variants.crbegin(); variant != std::prev(variants.crend()); ++variant) {
        lines << u"      elif [ \"$1\" -ge "_s + QString::number(variant->shellVersions.constFirst())
                + u" ]; then "_s + choice(*variant);
    }
    lines << u"      else "_s + choice(variants.constFirst()) << u"      fi"_s << u"      return 1 ;;"_s
          << u"  esac"_s << u"}"_s << u""_s;
    lines
        << u"# Installs the variant that matches the Shell, unless it is in place already."_s
        << u"sync_shield() {"_s << u"  [ -d \"$STORE\" ] || return 0"_s
        << u"  local binary key variant sums stage"_s
        << u"  binary=\"$(command -v \"$GNOME_SHELL\" 2>/dev/null)\""_s
        << u"  key=\"$(stat -L -c '%d:%i:%Y:%s' -- \"$binary\" 2>/dev/null)\""_s
        // Starting the Shell's program every few seconds to read a version that changes only
        // with an upgrade, which replaces the program, would cost more than the rest together.
        << u"  if [ \"${key:-missing}\" != \"$SHIELD_KEY\" ]; then"_s
        << u"    SHIELD_KEY=\"${key:-missing}\""_s
        << u"    SHIELD_VERSION=\"$(\"$GNOME_SHELL\" --version 2>/dev/null"_s
            + u" | sed -n 's/^GNOME Shell \\([0-9][0-9]*\\).*/\\1/p' | head -n 1)\""_s
        << u"    if ! SHIELD_CHOICE=\"$(shield_variant \"$SHIELD_VERSION\")\"; then"_s
        << u"      echo \"GNOME Shell ${SHIELD_VERSION:-version unknown}: the 岚哨 Shell extension has no\""_s
            + u" \"variant for it; using the one for GNOME Shell ${SHIELD_CHOICE#* }\" >&2"_s
        << u"    fi"_s << u"  fi"_s << u"  variant=\"${SHIELD_CHOICE%% *}\""_s
        << u"  sums=\"$STORE/$variant.sha256\""_s << u"  [ -f \"$sums\" ] || return 1"_s
        << u"  if [ ! -L \"$EXT_DIR\" ] && [ -d \"$EXT_DIR\" ] \\"_s
        << u"    && (cd \"$EXT_DIR\" && sha256sum -c --status \"$sums\" 2>/dev/null); then"_s
        << u"    return 0"_s << u"  fi"_s
        << u"  mkdir -p \"${EXT_DIR%/*}\""_s
        // Built beside its place, checked, and moved in whole: the Shell never sees half a copy.
        << u"  stage=\"$(mktemp -d \"${EXT_DIR%/*}/.vantorel-shield.XXXXXX\")\" || return 1"_s
        << u"  if cp -- \"$STORE/$variant\"/* \"$stage\"/ && (cd \"$stage\" && sha256sum -c --status \"$sums\") \\"_s
        << u"    && chmod 644 \"$stage\"/* && chmod 755 \"$stage\" && chown -R "_s + m_options.owner
            + u" \"$stage\" \\"_s
        // Whatever stands in the folder's place goes: an older copy, or a symbolic link planted
        // to send root's writes elsewhere, of which only the link itself is removed.
        << u"    && rm -rf -- \"$EXT_DIR\" && mv -T -- \"$stage\" \"$EXT_DIR\"; then"_s
        << u"    echo \"Installed the 岚哨 Shell extension for GNOME Shell ${SHIELD_CHOICE#* }\" >&2"_s
        << u"    return 0"_s << u"  fi"_s << u"  rm -rf -- \"$stage\""_s << u"  return 1"_s << u"}"_s
        << u""_s;
    return lines;
}

QString LinuxChildGuard::unitFile() const
{
    const QStringList lines {
        u"[Unit]"_s,
        u"Description=岚哨 guard: keeps 岚哨 running for the console user"_s,
        u"After=systemd-logind.service"_s,
        u""_s,
        u"[Service]"_s,
        u"Type=simple"_s,
        u"ExecStart="_s + keeperPath(),
        u"Restart=always"_s,
        u"RestartSec=2"_s,
        // Stopping the service ends the keeper only; the application it started may be the one
        // that asked for the teardown and still waits for its result.
        u"KillMode=process"_s,
        u""_s,
        u"[Install]"_s,
        u"WantedBy=multi-user.target"_s,
    };
    return lines.join(u'\n');
}

QString LinuxChildGuard::installScript(const QString& sourceAppPath, const QString& sha256Hex) const
{
    const QString owner = m_options.owner;
    const QStringList lines {
        u"set -e"_s,
        u"APP_SRC="_s + q(sourceAppPath),
        u"DEST="_s + q(installedAppPath()),
        u"SYSTEMCTL="_s + q(m_options.systemctl),
        u"INSTALL_DIR="_s + q(installDirectory()),
        // A symbolic link in place of a folder would send root's writes elsewhere.
        u"[ ! -L \"$INSTALL_DIR\" ] || rm -f \"$INSTALL_DIR\""_s,
        u"mkdir -p \"$INSTALL_DIR\""_s,
        u"chown "_s + owner + u" \"$INSTALL_DIR\""_s,
        u"chmod 755 \"$INSTALL_DIR\""_s,
        u"if [ \"$APP_SRC\" != \"$DEST\" ]; then"_s,
        u"  rm -f \"$DEST.new\""_s,
        u"  cp -- \"$APP_SRC\" \"$DEST.new\""_s,
        u"  printf '%s  %s\\n' "_s + q(sha256Hex) + u" \"$DEST.new\" | sha256sum -c --status"_s,
        u"  mv -f -- \"$DEST.new\" \"$DEST\""_s,
        u"fi"_s,
        u"chown "_s + owner + u" \"$DEST\""_s,
        u"chmod 755 \"$DEST\""_s,
        u"mkdir -p "_s + q(QFileInfo(keeperPath()).path()),
        u"cat > "_s + q(keeperPath()) + u" <<'VANTOREL_KEEPER'"_s,
        keeperScript(),
        u"VANTOREL_KEEPER"_s,
        u"chown "_s + owner + u" "_s + q(keeperPath()),
        u"chmod 755 "_s + q(keeperPath()),
        u"mkdir -p "_s + q(QFileInfo(unitPath()).path()),
        u"cat > "_s + q(unitPath()) + u" <<'VANTOREL_UNIT'"_s,
        unitFile(),
        u"VANTOREL_UNIT"_s,
        u"chown "_s + owner + u" "_s + q(unitPath()),
        u"chmod 644 "_s + q(unitPath()),
        u"mkdir -p "_s + q(markerDirectory()),
        u"chown "_s + owner + u" "_s + q(markerDirectory()),
        u"chmod 755 "_s + q(markerDirectory()),
    };
    const QStringList service {
        u"\"$SYSTEMCTL\" daemon-reload"_s,
        u"\"$SYSTEMCTL\" enable "_s + unitName,
        u"\"$SYSTEMCTL\" restart "_s + unitName,
        u"printf '%s' \"$DEST\" > "_s + q(markerFile()),
        u"chown "_s + owner + u" "_s + q(markerFile()),
        u"chmod 644 "_s + q(markerFile()),
    };
    return (lines + extensionInstallLines() + service).join(u'\n');
}

QStringList LinuxChildGuard::extensionInstallLines() const
{
    const QString source
        = m_options.extensionSource.isEmpty() ? shippedExtensionDirectory() : m_options.extensionSource;
    const auto variants = extensionVariants(source);
    if (variants.isEmpty()) {
        return {};
    }
    const QString owner = m_options.owner;
    QStringList lines {
        u"STORE="_s + q(extensionStoreDirectory()),
        u"STORE_STAGE=\"$(mktemp -d "_s + q(installDirectory() + u"/.gnome-shell.XXXXXX"_s) + u")\""_s,
        u"trap 'rm -rf \"$STORE_STAGE\"' EXIT"_s,
    };
    for (const auto& variant : variants) {
        const QString folder = source + u'/' + variant.name + u'/' + extensionUuid;
        QStringList digests;
        lines << u"mkdir \"$STORE_STAGE\"/"_s + variant.name;
        // The extension is a flat folder of a few files.
        for (const auto& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
            if (!isPlainName(name)) {
                continue;
            }
            // Checked against the files the application read just now, not whatever its folder
            // holds by the time root runs this.
            const QString digest = sha256OfFile(folder + u'/' + name);
            const QString copy = u"\"$STORE_STAGE\"/"_s + variant.name + u'/' + name;
            lines << u"cp -- "_s + q(folder + u'/' + name) + u' ' + copy
                  << u"printf '%s  %s\\n' "_s + q(digest.isEmpty() ? QString(64, u'0') : digest) + u' ' + copy
                    + u" | sha256sum -c --status"_s;
            digests << digest + u"  "_s + name;
        }
        // What the keeper checks every copy into the Shell's folder against.
        lines << u"cat > \"$STORE_STAGE\"/"_s + variant.name + u".sha256 <<'VANTOREL_SUMS'"_s << digests
              << u"VANTOREL_SUMS"_s;
    }
    lines << u"chmod -R u=rwX,go=rX \"$STORE_STAGE\""_s << u"chown -R "_s + owner + u" \"$STORE_STAGE\""_s
          << u"rm -rf -- \"$STORE\""_s << u"mv -T -- \"$STORE_STAGE\" \"$STORE\""_s
          << u"/bin/bash "_s + q(keeperPath()) + u" --sync-shield"_s;

    const QString profile = q(dconfProfile());
    lines << u"mkdir -p "_s + q(QFileInfo(dconfProfile()).path()) + u" "_s
            + q(QFileInfo(dconfLockFile()).path())
          // The system database is read only where the profile names it; an administrator's own
          // profile is kept and only gains that line. Whoever could edit the profile could drop the
          // line and, with it, the lock.
          << u"if [ ! -s "_s + profile + u" ]; then"_s
          << u"  printf 'user-db:user\\nsystem-db:local\\n' > "_s + profile
          << u"elif ! grep -qx 'system-db:local' "_s + profile + u"; then"_s
          << u"  { [ -z \"$(tail -c 1 "_s + profile + u")\" ] || echo; echo system-db:local; } >> "_s
            + profile
          << u"fi"_s << u"chown "_s + owner + u" "_s + profile << u"chmod 644 "_s + profile;
    for (const auto& [path, text] :
         { std::pair { dconfKeyFile(), dconfKeys() }, std::pair { dconfLockFile(), dconfLocks() } }) {
        lines << u"rm -f "_s + q(path) << u"cat > "_s + q(path) + u" <<'VANTOREL_DCONF'"_s << text
              << u"VANTOREL_DCONF"_s << u"chown "_s + owner + u" "_s + q(path) << u"chmod 644 "_s + q(path);
    }
    lines << u"DCONF="_s + q(m_options.dconf)
          << u"if command -v \"$DCONF\" >/dev/null 2>&1; then \"$DCONF\" update "_s
            + q(dconfDatabaseDirectory()) + u"; fi"_s;
    return lines;
}

QString LinuxChildGuard::teardownScript() const
{
    const QStringList lines {
        u"SYSTEMCTL="_s + q(m_options.systemctl),
        u"\"$SYSTEMCTL\" disable "_s + unitName + u" >/dev/null 2>&1 || true"_s,
        u"rm -f "_s + q(unitPath()),
        u"rm -f "_s + q(keeperPath()),
        u"rm -f "_s + q(markerFile()),
        u"rm -rf -- "_s + q(extensionDirectory()) + u" "_s + q(extensionStoreDirectory()),
        u"rm -f "_s + q(dconfKeyFile()) + u" "_s + q(dconfLockFile()),
        u"DCONF="_s + q(m_options.dconf),
        u"if command -v \"$DCONF\" >/dev/null 2>&1; then \"$DCONF\" update "_s + q(dconfDatabaseDirectory())
            + u" >/dev/null 2>&1 || true; fi"_s,
        u"\"$SYSTEMCTL\" daemon-reload >/dev/null 2>&1 || true"_s,
        u"\"$SYSTEMCTL\" stop "_s + unitName + u" >/dev/null 2>&1 || true"_s,
        u"test ! -e "_s + q(markerFile()),
    };
    return lines.join(u'\n');
}

QString LinuxChildGuard::updateScript(const QString& imagePath, const QString& sha256Hex) const
{
    const QStringList lines {
        u"set -e"_s,
        u"IMAGE="_s + q(imagePath),
        u"DEST="_s + q(installedAppPath()),
        // The image sits in the user's folder; only a root-owned copy whose digest matches what
        // the application downloaded is installed.
        u"STAGE=\"$(mktemp -d)\""_s,
        u"trap 'rm -rf \"$STAGE\"' EXIT"_s,
        u"cp -- \"$IMAGE\" \"$STAGE/app\""_s,
        u"printf '%s  %s\\n' "_s + q(sha256Hex) + u" \"$STAGE/app\" | sha256sum -c --status"_s,
        u"mkdir -p "_s + q(installDirectory()),
        u"rm -f \"$DEST.new\""_s,
        u"cp -- \"$STAGE/app\" \"$DEST.new\""_s,
        u"chmod 755 \"$DEST.new\""_s,
        u"mv -f -- \"$DEST.new\" \"$DEST\""_s,
        u"if [ -f "_s + q(markerFile()) + u" ]; then"_s,
        u"  chown "_s + m_options.owner + u" \"$DEST\""_s,
        u"  chmod 755 \"$DEST\""_s,
        u"fi"_s,
    };
    return lines.join(u'\n');
}

QString LinuxChildGuard::installScript(const QString& sourceAppPath) const
{
    const QString digest = sha256OfFile(sourceAppPath);
    return digest.isEmpty() ? QString() : installScript(sourceAppPath, digest);
}

QString LinuxChildGuard::updateScript(const QString& imagePath) const
{
    const QString digest = sha256OfFile(imagePath);
    return digest.isEmpty() ? QString() : updateScript(imagePath, digest);
}

void LinuxChildGuard::startUpdatedCopy() const
{
    // The same test of the marker as the quit decision's.
    QFile marker(markerFile());
    if (marker.open(QIODevice::ReadOnly)) {
        return;
    }
    QProcess::startDetached(u"/bin/sh"_s, { u"-c"_s, u"sleep 2; exec \"$0\""_s, installedAppPath() });
}
