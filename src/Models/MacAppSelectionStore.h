#pragma once

#include "Models/MacSelectionPayload.h"
#include "Platform/MacAppItem.h"

#include <QObject>

class UserDefaults;

// The observable owner of the controlled-application choice of this computer.
class MacAppSelectionStore final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(MacSelectionPayload payload READ payload WRITE setPayload NOTIFY payloadChanged)

public:
    explicit MacAppSelectionStore(QObject* parent = nullptr);
    explicit MacAppSelectionStore(UserDefaults& defaults, QObject* parent = nullptr);

    static inline const QString storageKey = QStringLiteral("macAppSelection");

    MacSelectionPayload payload() const { return m_payload; }
    // Notifies on every assignment; does not persist (save() does).
    void setPayload(const MacSelectionPayload& payload);

    // Replaces the payload with the stored one when there is a decodable one.
    void load();
    void save();

    bool hasSelection() const { return !m_payload.isEmpty(); }
    // The backend's form: "source" always, each list only when it has entries.
    QVariantMap toSelectionPayload() const;

    // The selection screen's logic, kept here so that it is tested without a screen.
    // Items whose name or identifier contains `searchText`, ignoring case; all for empty text.
    static QList<MacAppItem> filteredApps(const QList<MacAppItem>& items, const QString& searchText);
    // The identifiers ticked when the screen opens: the stored bundle ids, then the paths.
    QStringList initialTicks() const;
    // Splits the ticked identifiers into paths ("/…") and bundle ids, keeps the process names,
    // assigns and saves.
    void saveSelection(const QStringList& ticked);

signals:
    void payloadChanged();

private:
    UserDefaults& m_defaults;
    MacSelectionPayload m_payload;
};
