#pragma once

#include "Models/MacSelectionPayload.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// A selection prepared for matching many applications: lower-cased once, identifiers and names
// as sets. Shared by the usage monitor and the app shield so that both decide alike.
class MacSelectionMatcher
{
public:
    MacSelectionMatcher() = default;
    explicit MacSelectionMatcher(const MacSelectionPayload& selection);

    bool isEmpty() const { return m_bundleIds.isEmpty() && m_names.isEmpty() && m_paths.isEmpty(); }

    // By identifier, else by name, else by path; absent values never match.
    bool matches(const std::optional<QString>& bundleId, const std::optional<QString>& name,
                 const std::optional<QString>& executablePath) const;

    // A path entry (lower-cased) against an executable path (lower-cased): the same file, an
    // executable inside the entry's folder (a bundle such as "/Applications/Game.app" or an
    // install folder such as "/opt/game"), or an executable whose path ends with the entry.
    static bool pathMatches(const QString& entry, const QString& executablePath);

private:
    QSet<QString> m_bundleIds;
    QSet<QString> m_names;
    QStringList m_paths;
};
