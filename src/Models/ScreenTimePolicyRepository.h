#pragma once

#include "Models/ScreenTimePolicyRepositoryProtocol.h"

#include <QByteArray>
#include <QString>

class UserDefaults;

// Keeps the policy as one JSON document (binary data) in the user defaults.
class ScreenTimePolicyRepository final : public ScreenTimePolicyRepositoryProtocol
{
public:
    explicit ScreenTimePolicyRepository(const QString& storageKey = defaultStorageKey());
    ScreenTimePolicyRepository(const QString& storageKey, UserDefaults& defaults);

    ScreenTimePolicy load() const override;
    void save(const ScreenTimePolicy& policy) override;

    QString storageKey() const { return m_storageKey; }

    static QString defaultStorageKey();

    // The persisted document: "unlockUntil" in seconds since 2001-01-01 00:00:00 UTC and written
    // only when present. Decoding rejects the whole document when one of the first three
    // members is missing or mistyped; the others fall back to their defaults.
    static QByteArray encode(const ScreenTimePolicy& policy);
    static std::optional<ScreenTimePolicy> decode(const QByteArray& document);

    static double secondsSinceReferenceDate(const QDateTime& instant);
    static std::optional<QDateTime> fromSecondsSinceReferenceDate(double seconds);

private:
    UserDefaults& defaults() const;

    QString m_storageKey;
    UserDefaults* m_defaults = nullptr;
};
