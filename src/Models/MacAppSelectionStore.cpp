#include "Models/MacAppSelectionStore.h"

#include "Platform/UserDefaults.h"

using namespace Qt::StringLiterals;

MacAppSelectionStore::MacAppSelectionStore(QObject* parent)
    : MacAppSelectionStore(UserDefaults::standard(), parent)
{
}

MacAppSelectionStore::MacAppSelectionStore(UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
{
}

void MacAppSelectionStore::setPayload(const MacSelectionPayload& payload)
{
    m_payload = payload;
    emit payloadChanged();
}

void MacAppSelectionStore::load()
{
    const auto data = m_defaults.data(storageKey);
    if (!data) {
        return;
    }
    if (auto stored = MacSelectionPayload::fromJson(*data)) {
        setPayload(*stored);
    }
}

void MacAppSelectionStore::save()
{
    m_defaults.setData(storageKey, m_payload.toJson());
}

QVariantMap MacAppSelectionStore::toSelectionPayload() const
{
    QVariantMap map { { u"source"_s, u"mac"_s } };
    if (!m_payload.bundleIds.isEmpty()) {
        map.insert(u"bundleIds"_s, m_payload.bundleIds);
    }
    if (!m_payload.processes.isEmpty()) {
        map.insert(u"processes"_s, m_payload.processes);
    }
    if (!m_payload.paths.isEmpty()) {
        map.insert(u"paths"_s, m_payload.paths);
    }
    return map;
}

QList<MacAppItem> MacAppSelectionStore::filteredApps(const QList<MacAppItem>& items,
                                                     const QString& searchText)
{
    if (searchText.isEmpty()) {
        return items;
    }
    const auto needle = searchText.toLower();
    QList<MacAppItem> found;
    for (const auto& item : items) {
        if (item.name.toLower().contains(needle)
            || (item.bundleId && item.bundleId->toLower().contains(needle))) {
            found.append(item);
        }
    }
    return found;
}

QStringList MacAppSelectionStore::initialTicks() const
{
    QStringList ticked = m_payload.bundleIds;
    for (const auto& path : m_payload.paths) {
        if (!ticked.contains(path)) {
            ticked.append(path);
        }
    }
    ticked.removeDuplicates();
    return ticked;
}

void MacAppSelectionStore::saveSelection(const QStringList& ticked)
{
    MacSelectionPayload next;
    next.processes = m_payload.processes;
    for (const auto& identifier : ticked) {
        (identifier.startsWith(u'/') ? next.paths : next.bundleIds).append(identifier);
    }
    setPayload(next);
    save();
}
