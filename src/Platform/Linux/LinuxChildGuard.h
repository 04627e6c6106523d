#pragma once

#include "Platform/GuardInstaller.h"

#include <QString>

// The child guard of a Linux computer, as scripts run by root (see docs/DESIGN.md, "Child guard
// on Linux", for what a standard account can and cannot do against it):
//
// - a root-owned copy of the application in /opt/vantorel;
// - a keeper, /usr/local/libexec/vantorel-guard-keeper, run by the system service
//   vantorel-guard.service as root. It starts the copy in the graphical session of whoever sits at
//   the console, waits for it, and starts it again whenever it ends, however it ended. A standard
//   account can kill the application but not the keeper, and cannot stop or disable a system
//   service (unlike a `systemctl --user` unit, which its own user can stop);
// - on GNOME, the application's Shell extension copied to the system extensions folder and kept
//   enabled for every account by a locked system dconf database, so that the Extensions app
//   cannot switch it off. Shell 45 changed how extensions are loaded and refuses the older form,
//   so every variant is kept in /opt/vantorel/gnome-shell and the keeper installs the one that
//   matches the Shell of the day, again whenever the Shell is upgraded;
// - the marker /var/lib/vantorel/guard.on (contents: the installed copy's path), written last.
//
// Every path can be put under a scratch root, and the service manager and owner replaced, so
// that tests run the real scripts without touching the system.
class LinuxChildGuard final : public GuardInstaller
{
public:
    struct Options
    {
        // Prepended to every absolute path; empty on a real system.
        QString root;
        QString systemctl = QStringLiteral("systemctl");
        // Compiles the system dconf databases; skipped where it is not installed (no GNOME).
        QString dconf = QStringLiteral("dconf");
        // The Shell extension's variants as the application ships them: one folder per variant,
        // named after the first Shell version it serves, holding the extension's folder. Empty
        // for the packaged copy (see shippedExtensionDirectory()).
        QString extensionSource;
        // Asked for its version to choose the variant; answers as root without a session.
        QString gnomeShell = QStringLiteral("gnome-shell");
        QString owner = QStringLiteral("root:root");
        QString pkexec = QStringLiteral("pkexec");
        // Where the running processes are listed.
        QString proc = QStringLiteral("/proc");
    };

    LinuxChildGuard();
    explicit LinuxChildGuard(Options options);

    QString installDirectory() const;
    QString markerDirectory() const;
    QString markerFile() const override;
    QString keeperPath() const;
    QString unitPath() const;
    static inline const QString unitName = QStringLiteral("vantorel-guard.service");
    static inline const QString extensionUuid = QStringLiteral("shield@vantorel.corvane.com");

    // The system-wide copy of the Shell extension, and the dconf files that enable and lock it.
    QString extensionDirectory() const;
    // The root-owned copies of every variant, each beside the digests of its files.
    QString extensionStoreDirectory() const;
    QString dconfProfile() const;
    QString dconfDatabaseDirectory() const;
    QString dconfKeyFile() const;
    QString dconfLockFile() const;
    QString dconfKeys() const;
    QString dconfLocks() const;
    struct ExtensionVariant
    {
        QString name;
        // Major versions, from the variant's metadata.json.
        QList<int> shellVersions;
    };
    // The variants under `source` that carry a metadata.json with Shell versions, oldest first.
    static QList<ExtensionVariant> extensionVariants(const QString& source);
    // Where the package puts the extension's variants: share/vantorel/gnome-shell/ beside the running
    // executable's bin/ folder, or /usr/share/vantorel/gnome-shell/ for the guard's copy in
    // /opt/vantorel. Empty when neither exists (a build run from its folder): the guard is then
    // installed without the extension, and the process shield guards alone.
    static QString shippedExtensionDirectory();

    // Where the copy goes. A fixed name: the running file's own name is chosen by whoever put it
    // there, and must never reach the text of a script that root runs.
    QString installedAppPath() const;

    // Copies the application (checked against `sha256Hex`, the digest of the running executable,
    // so that a file swapped after the prompt is never installed), installs keeper and service,
    // starts it, and writes the marker as the very last step. Stops at the first failure. The
    // Shell extension's files are checked the same way against their digests of now.
    QString installScript(const QString& sourceAppPath, const QString& sha256Hex) const;
    // The same with the digest of the file as it is now.
    QString installScript(const QString& sourceAppPath) const override;
    // Disables the service, deletes unit, keeper, extension, dconf lock and marker, then stops
    // the keeper. The copy stays. The service stops only its own main process, so the
    // application that asked for the teardown is not killed while it waits for the result.
    QString teardownScript() const override;
    // Replaces the installed copy with the downloaded image after checking its digest on a
    // root-owned copy, and keeps the guard's ownership when the marker exists.
    QString updateScript(const QString& imagePath, const QString& sha256Hex) const;
    // The image is the new executable; the same with the digest of the file as it is now.
    QString updateScript(const QString& imagePath) const override;
    // With the guard on, its keeper starts the new copy once this one has ended; without it the
    // new copy is started here, in this session, when this one has had time to quit.
    void startUpdatedCopy() const override;

    QString keeperScript() const;
    QString unitFile() const;

    // What the guard is here: running while the marker exists and a keeper process runs, stopped
    // with the marker and no keeper; without the marker, not installed when pkexec and the
    // service manager are there to install it with, otherwise unavailable.
    State state() const override;

    // SHA-256 of a file as lower-case hex; empty when it cannot be read.
    static QString sha256OfFile(const QString& path);

private:
    QStringList extensionInstallLines() const;
    QStringList extensionSyncLines() const;

    Options m_options;
};
