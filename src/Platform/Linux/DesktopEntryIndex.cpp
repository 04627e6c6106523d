#include "Platform/Linux/DesktopEntryIndex.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcessEnvironment>
#include <QSet>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

QString firstExecWord(const QString& exec)
{
    auto word = exec.trimmed().section(u' ', 0, 0);
    if (word.startsWith(u'"') && word.endsWith(u'"') && word.size() >= 2) {
        word = word.mid(1, word.size() - 2);
    }
    return QFileInfo(word).fileName();
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex(QStringList folders)
    : m_folders(std::move(folders))
{
    reload();
}

QStringList DesktopEntryIndex::applicationFolders()
{
    const auto env = QProcessEnvironment::systemEnvironment();
    QStringList folders;
    auto dataHome = env.value(u"XDG_DATA_HOME"_s);
    if (dataHome.isEmpty()) {
        dataHome = QDir::homePath() + u"/.local/share"_s;
    }
    folders << dataHome + u"/applications"_s;
    folders << dataHome + u"/flatpak/exports/share/applications"_s;
    auto dataDirs = env.value(u"XDG_DATA_DIRS"_s).split(u':', Qt::SkipEmptyParts);
    if (dataDirs.isEmpty()) {
        dataDirs = { u"/usr/local/share"_s, u"/usr/share"_s };
    }
    for (const auto& dir : std::as_const(dataDirs)) {
        folders << dir + u"/applications"_s;
    }
    folders << u"/var/lib/flatpak/exports/share/applications"_s;
    folders.removeDuplicates();
    return folders;
}

std::optional<DesktopEntry> DesktopEntryIndex::parse(const QString& filePath, const QString& id)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return std::nullopt;
    }
    const auto locale = QLocale().name(); // "zh_CN"
    const auto language = locale.section(u'_', 0, 0);
    QString name;
    QString nameLocale;
    QString nameLanguage;
    QString type;
    DesktopEntry entry;
    entry.id = id;
    entry.filePath = filePath;
    bool inMainGroup = false;
    bool hidden = false;
    while (!file.atEnd()) {
        const auto line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]"_s;
            continue;
        }
        if (!inMainGroup) {
            continue;
        }
        const auto equals = line.indexOf(u'=');
        if (equals <= 0) {
            continue;
        }
        const auto key = line.left(equals).trimmed();
        const auto value = line.mid(equals + 1).trimmed();
        if (key == u"Name"_s) {
            name = value;
        } else if (key == u"Name[%1]"_s.arg(locale)) {
            nameLocale = value;
        } else if (key == u"Name[%1]"_s.arg(language)) {
            nameLanguage = value;
        } else if (key == u"Type"_s) {
            type = value;
        } else if (key == u"Exec"_s) {
            entry.executableName = firstExecWord(value);
        } else if (key == u"StartupWMClass"_s) {
            entry.startupWMClass = value;
        } else if (key == u"Icon"_s) {
            entry.icon = value;
        } else if (key == u"NoDisplay"_s) {
            entry.noDisplay = value == u"true"_s;
        } else if (key == u"Hidden"_s) {
            hidden = value == u"true"_s;
        }
    }
    if (type != u"Application"_s || hidden) {
        return std::nullopt;
    }
    entry.name = !nameLocale.isEmpty() ? nameLocale : !nameLanguage.isEmpty() ? nameLanguage : name;
    if (entry.name.isEmpty()) {
        entry.name = id;
    }
    return entry;
}

void DesktopEntryIndex::reload()
{
    m_entries.clear();
    m_byId.clear();
    m_byLowerId.clear();
    m_byWmClass.clear();
    m_byExecutable.clear();
    QSet<QString> seen;
    for (const auto& folder : std::as_const(m_folders)) {
        const QDir root(folder);
        if (!root.exists()) {
            continue;
        }
        QDirIterator it(folder, { u"*.desktop"_s }, QDir::Files | QDir::Readable,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const auto path = it.next();
            auto id = root.relativeFilePath(path);
            id.chop(8);
            id.replace(u'/', u'-');
            // The first folder that has an id decides it, even when that entry hides the app.
            if (seen.contains(id)) {
                continue;
            }
            seen.insert(id);
            auto entry = parse(path, id);
            if (!entry) {
                continue;
            }
            const auto index = m_entries.size();
            m_byId.insert(entry->id, index);
            m_byLowerId.insert(entry->id.toLower(), index);
            const auto lastPart = entry->id.section(u'.', -1).toLower();
            if (!m_byLowerId.contains(lastPart)) {
                m_byLowerId.insert(lastPart, index);
            }
            if (!entry->startupWMClass.isEmpty()) {
                m_byWmClass.insert(entry->startupWMClass.toLower(), index);
            }
            if (!entry->executableName.isEmpty()
                && !m_byExecutable.contains(entry->executableName.toLower())) {
                m_byExecutable.insert(entry->executableName.toLower(), index);
            }
            m_entries.append(std::move(*entry));
        }
    }
}

const DesktopEntry* DesktopEntryIndex::byId(const QString& id) const
{
    const auto it = m_byId.find(id);
    return it == m_byId.end() ? nullptr : &m_entries[*it];
}

const DesktopEntry* DesktopEntryIndex::byWindowClass(const QString& instance, const QString& className) const
{
    const auto lowerInstance = instance.toLower();
    const auto lowerClass = className.toLower();
    for (const auto& table : { &m_byWmClass, &m_byLowerId, &m_byExecutable }) {
        for (const auto& key : { lowerClass, lowerInstance }) {
            if (key.isEmpty()) {
                continue;
            }
            if (const auto it = table->find(key); it != table->end()) {
                return &m_entries[*it];
            }
        }
    }
    return nullptr;
}

const DesktopEntry* DesktopEntryIndex::byExecutable(const QString& executablePath) const
{
    const auto it = m_byExecutable.find(QFileInfo(executablePath).fileName().toLower());
    return it == m_byExecutable.end() ? nullptr : &m_entries[*it];
}
