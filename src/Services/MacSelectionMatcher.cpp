#include "Services/MacSelectionMatcher.h"

namespace {
QSet<QString> lowered(const QStringList& values)
{
    QSet<QString> set;
    for (const auto& value : values) {
        set.insert(value.toLower());
    }
    return set;
}
} // namespace

MacSelectionMatcher::MacSelectionMatcher(const MacSelectionPayload& selection)
    : m_bundleIds(lowered(selection.bundleIds))
    , m_names(lowered(selection.processes))
{
    for (const auto& path : selection.paths) {
        // An empty or bare "/" entry would be a suffix or a folder of every path.
        if (path.size() > 1) {
            m_paths.append(path.toLower());
        }
    }
}

bool MacSelectionMatcher::pathMatches(const QString& entry, const QString& executablePath)
{
    if (entry.size() <= 1 || executablePath.isEmpty()) {
        return false;
    }
    if (executablePath.endsWith(entry)) {
        return true;
    }
    const auto folder = entry.endsWith(u'/') ? entry : entry + u'/';
    return executablePath.startsWith(folder);
}

bool MacSelectionMatcher::matches(const std::optional<QString>& bundleId, const std::optional<QString>& name,
                                  const std::optional<QString>& executablePath) const
{
    if (bundleId && m_bundleIds.contains(bundleId->toLower())) {
        return true;
    }
    if (name && m_names.contains(name->toLower())) {
        return true;
    }
    if (executablePath && !m_paths.isEmpty()) {
        const auto path = executablePath->toLower();
        for (const auto& entry : m_paths) {
            if (pathMatches(entry, path)) {
                return true;
            }
        }
    }
    return false;
}
