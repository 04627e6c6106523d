#pragma once

#include <QString>

// Persistence seam of the parent password. The digest lives in the keychain, which the store
// reaches directly; the repository names the user-defaults key of the legacy record that the
// store reads once and removes.
class ParentalPasswordRepositoryProtocol
{
public:
    virtual ~ParentalPasswordRepositoryProtocol() = default;

    virtual QString storageKey() const = 0;
};
