#include "Platform/AppBundleFolders.h"

#include "Platform/AppNameSort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

// The top-level string members of an XML property list. Other value kinds are recorded as
// absent, so that a non-text "CFBundleName" falls through to the next candidate.
QHash<QString, QString> topLevelStrings(QIODevice& device)
{
    QHash<QString, QString> strings;
    QXmlStreamReader xml(&device);
    int depth = 0;
    QString pendingKey;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            // plist > dict > key/value: the top-level dictionary's members sit at depth 3.
            if (depth == 3) {
                const auto name = xml.name();
                if (name == u"key"_s) {
                    pendingKey = xml.readElementText();
                    --depth;
                    continue;
                }
                if (!pendingKey.isEmpty() && name == u"string"_s) {
                    strings.insert(pendingKey, xml.readElementText());
                    --depth;
                }
                pendingKey.clear();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    if (xml.hasError()) {
        return {};
    }
    return strings;
}

QString withoutExtension(const QString& entryName)
{
    return entryName.chopped(4);
}

} // namespace

AppBundleFolders::AppBundleFolders(QStringList folders)
    : m_folders(std::move(folders))
{
}

QStringList AppBundleFolders::defaultFolders()
{
    return { u"/Applications"_s, u"/Applications/Utilities"_s, QDir::homePath() + u"/Applications"_s };
}

MacAppItem AppBundleFolders::readBundle(const QString& folder, const QString& entryName)
{
    MacAppItem item;
    item.path = folder + u'/' + entryName;
    item.name = withoutExtension(entryName);
    // A bundle that is not a folder cannot be opened: no identifier, the entry's own name.
    if (QFileInfo(item.path).isDir()) {
        QFile plist(item.path + u"/Contents/Info.plist"_s);
        if (plist.open(QIODevice::ReadOnly)) {
            const auto strings = topLevelStrings(plist);
            if (const auto identifier = strings.find(u"CFBundleIdentifier"_s); identifier != strings.end()) {
                item.bundleId = *identifier;
            }
            if (strings.contains(u"CFBundleName"_s)) {
                item.name = strings.value(u"CFBundleName"_s);
            } else if (strings.contains(u"CFBundleDisplayName"_s)) {
                item.name = strings.value(u"CFBundleDisplayName"_s);
            }
        }
    }
    item.id = item.bundleId.value_or(item.path);
    return item;
}

QList<MacAppItem> AppBundleFolders::loadApps() const
{
    QList<MacAppItem> items;
    for (const auto& folder : m_folders) {
        QDir dir(folder);
        if (!dir.exists() || !dir.isReadable()) {
            continue;
        }
        auto names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                   QDir::Name);
        for (const auto& name : std::as_const(names)) {
            if (name.endsWith(u".app"_s, Qt::CaseSensitive)) {
                items.append(readBundle(folder, name));
            }
        }
    }
    AppNameSort::sortByName(items);
    return items;
}
