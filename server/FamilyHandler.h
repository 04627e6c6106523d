#pragma once

#include "FamilyRepository.h"

// Families and their devices. The family code is the only proof of membership: every operation
// on a device of a family needs that family's code, and a wrong one reads as "family not found".
class FamilyHandler final
{
public:
    explicit FamilyHandler(ServerDatabase& database);

    FamilyRepository::Family createFamily();
    FamilyRepository::Device registerDevice(const QString& familyCode, const QString& role,
                                            const QString& name);
    QList<FamilyRepository::Device> devices(const QString& familyCode);
    FamilyRepository::Device renameDevice(const QString& deviceId, const QString& familyCode,
                                          const QString& name);
    void deleteDevice(const QString& deviceId, const QString& familyCode);

    // The device, which must exist; otherwise "device not found".
    FamilyRepository::Device existingDevice(const QString& deviceId);
    // The device, which must belong to the family of `familyCode`; otherwise "family not found".
    FamilyRepository::Device deviceOfFamily(const QString& deviceId, const QString& familyCode);
    FamilyRepository::Family existingFamily(const QString& familyCode);

    static constexpr qsizetype maximumNameLength = 100;
    // Far more computers than a family has; it bounds the device list anyone with the code reads.
    static constexpr qsizetype maximumDevicesPerFamily = 100;

private:
    FamilyRepository m_families;
};
