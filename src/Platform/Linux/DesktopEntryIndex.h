#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One application entry of the freedesktop menu (a ".desktop" file).
struct DesktopEntry
{
    QString id; // "org.gnome.Calculator" for .../applications/org.gnome.Calculator.desktop
    QString name; // localised for the current locale
    QString filePath; // the .desktop file
    QString startupWMClass;
    QString executableName; // the first word of Exec=, without folders
    QString icon;
    bool noDisplay = false;
};

// The desktop entries a user sees, indexed by id, by window class and by program name.
// Earlier folders win for equal ids, as the freedesktop menu layout orders them.
class DesktopEntryIndex
{
public:
    explicit DesktopEntryIndex(QStringList folders = applicationFolders());

    // The user's folder first, then the system's (XDG data dirs) and the Flatpak exports.
    static QStringList applicationFolders();
    static std::optional<DesktopEntry> parse(const QString& filePath, const QString& id);

    void reload();
    const QList<DesktopEntry>& entries() const { return m_entries; }
    const DesktopEntry* byId(const QString& id) const;
    // WM_CLASS (instance, class) against StartupWMClass, then against the id and the program.
    const DesktopEntry* byWindowClass(const QString& instance, const QString& className) const;
    const DesktopEntry* byExecutable(const QString& executablePath) const;

private:
    QStringList m_folders;
    QList<DesktopEntry> m_entries;
    QHash<QString, qsizetype> m_byId; // exact id
    QHash<QString, qsizetype> m_byLowerId; // lower-cased id and its last dotted part
    QHash<QString, qsizetype> m_byWmClass; // lower-cased StartupWMClass
    QHash<QString, qsizetype> m_byExecutable; // lower-cased program name
};
