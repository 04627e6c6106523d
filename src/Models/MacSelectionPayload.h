#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// The controlled applications of a child computer: by bundle identifier (desktop-entry id on
// Linux), by process name, or by path.
struct MacSelectionPayload
{
    QStringList bundleIds;
    QStringList processes;
    QStringList paths;
    QString source = QStringLiteral("mac");

    bool isEmpty() const { return bundleIds.isEmpty() && processes.isEmpty() && paths.isEmpty(); }

    // UTF-8 JSON with the four members; what is stored under "macAppSelection".
    QByteArray toJson() const;
    // All four members are required and must be of their type; anything else is no payload.
    static std::optional<MacSelectionPayload> fromJson(const QByteArray& json);

    friend bool operator==(const MacSelectionPayload&, const MacSelectionPayload&) = default;
};

Q_DECLARE_METATYPE(MacSelectionPayload)
