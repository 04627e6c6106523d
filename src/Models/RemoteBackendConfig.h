#pragma once

#include "Models/RemoteDeviceRole.h"

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class SecureStore;
class UserDefaults;

// Everything that ties this computer to the family server: which server, which family, the
// identifier the server gave this computer, its registered name, its role, and the child a
// parent last worked on. Every assignment, also of an unchanged value, notifies observers and
// is written to the user defaults at once.
class RemoteBackendConfig final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        QString baseURLOverride READ baseURLOverride WRITE setBaseURLOverride NOTIFY baseURLOverrideChanged)
    Q_PROPERTY(QString deviceID READ deviceID WRITE setDeviceID NOTIFY deviceIDChanged)
    Q_PROPERTY(QString familyCode READ familyCode WRITE setFamilyCode NOTIFY familyCodeChanged)
    Q_PROPERTY(QString deviceName READ deviceName WRITE setDeviceName NOTIFY deviceNameChanged)
    Q_PROPERTY(RemoteDeviceRole role READ role WRITE setRole NOTIFY roleChanged)
    Q_PROPERTY(QString selectedChildDeviceID READ selectedChildDeviceID WRITE setSelectedChildDeviceID NOTIFY
                   selectedChildDeviceIDChanged)
    Q_PROPERTY(QString baseURLString READ baseURLString)
    Q_PROPERTY(bool isBoundToBackend READ isBoundToBackend)

public:
    // `network` carries every exchange with the server that clients made from this configuration
    // have.
    RemoteBackendConfig(UserDefaults& defaults, SecureStore& keychain, QNetworkAccessManager& network,
                        QObject* parent = nullptr);

    QString baseURLOverride() const { return m_baseURLOverride; }
    QString deviceID() const { return m_deviceID; }
    QString familyCode() const { return m_familyCode; }
    QString deviceName() const { return m_deviceName; }
    RemoteDeviceRole role() const { return m_role; }
    QString selectedChildDeviceID() const { return m_selectedChildDeviceID; }

    void setBaseURLOverride(const QString& value);
    void setDeviceID(const QString& value);
    void setFamilyCode(const QString& value);
    void setDeviceName(const QString& value);
    void setRole(RemoteDeviceRole value);
    void setSelectedChildDeviceID(const QString& value);

    // The override without surrounding white space and slashes, or the built-in default.
    QString baseURLString() const;
    // A usable base address and a device identifier.
    bool isBoundToBackend() const;

    static QString builtInDefaultBaseURL();
    // Whether the settings in `defaults` bind a computer, without a configuration to observe.
    static bool isBoundIn(const UserDefaults& defaults);

    // The store this configuration persists to; the engines it drives read their settings there.
    UserDefaults& defaults() const { return m_defaults; }
    // Where the device token the server gave this computer is kept, beside the parent password.
    SecureStore& keychain() const { return m_keychain; }
    QNetworkAccessManager& network() const { return m_network; }

    static inline const QString baseURLOverrideKey = QStringLiteral("remoteBackend.baseURLOverride");
    static inline const QString deviceIDKey = QStringLiteral("remoteBackend.deviceID");
    static inline const QString familyCodeKey = QStringLiteral("remoteBackend.familyCode");
    static inline const QString deviceNameKey = QStringLiteral("remoteBackend.deviceName");
    static inline const QString roleKey = QStringLiteral("remoteBackend.role");
    static inline const QString selectedChildDeviceIDKey
        = QStringLiteral("remoteBackend.selectedChildDeviceID");

signals:
    void baseURLOverrideChanged();
    void deviceIDChanged();
    void familyCodeChanged();
    void deviceNameChanged();
    void roleChanged();
    void selectedChildDeviceIDChanged();

private:
    void load();
    void persist(const QString& key, const QString& value);

    UserDefaults& m_defaults;
    SecureStore& m_keychain;
    QNetworkAccessManager& m_network;
    QString m_baseURLOverride;
    QString m_deviceID;
    QString m_familyCode;
    QString m_deviceName;
    RemoteDeviceRole m_role = RemoteDeviceRole::unknown;
    QString m_selectedChildDeviceID;
};
