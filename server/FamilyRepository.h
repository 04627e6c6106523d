#pragma once

#include <QList>
#include <QString>

#include <optional>

class ServerDatabase;

// Families and their devices as stored.
class FamilyRepository final
{
public:
    struct Family
    {
        QString id;
        QString code;
    };
    struct Device
    {
        QString id;
        QString familyId;
        QString name;
        QString role;
    };

    explicit FamilyRepository(ServerDatabase& database);

    // A new family with a fresh code unique among families.
    Family createFamily();
    std::optional<Family> familyByCode(const QString& code);

    Device addDevice(const QString& familyId, const QString& role, const QString& name);
    std::optional<Device> device(const QString& deviceId);
    qsizetype deviceCount(const QString& familyId);
    // In registration order, oldest first.
    QList<Device> devices(const QString& familyId);
    void renameDevice(const QString& deviceId, const QString& name);
    // Removes the device and everything recorded for it, in one transaction.
    void deleteDevice(const QString& deviceId);

    static QString randomFamilyCode();

private:
    ServerDatabase& m_db;
};
