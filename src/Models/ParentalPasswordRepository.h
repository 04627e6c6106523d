#pragma once

#include "Models/ParentalPasswordRepositoryProtocol.h"

class ParentalPasswordRepository final : public ParentalPasswordRepositoryProtocol
{
public:
    ParentalPasswordRepository() = default;

    QString storageKey() const override { return m_storageKey; }

    static inline const QString defaultStorageKey = QStringLiteral("parentalPasswordHash");

private:
    const QString m_storageKey = defaultStorageKey;
};
