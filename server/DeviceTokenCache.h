#pragma once

#include <QHash>
#include <QString>

#include <shared_mutex>

// Which device each token already presented belongs to, shared by the database threads, so that a
// child's own reports cost no look-up of its token. A token is issued once, at registration, and
// never moves to another device, so what was learnt stays true; a device deleted since is still
// answered "not found" by the statement that needs its row.
class DeviceTokenCache final
{
public:
    // An entry takes some 300 bytes: at the default, at most about 15 MiB.
    explicit DeviceTokenCache(qsizetype capacity = 50000);
    Q_DISABLE_COPY_MOVE(DeviceTokenCache)

    bool belongsTo(const QString& tokenHash, const QString& deviceId) const;
    void remember(const QString& tokenHash, const QString& deviceId);

private:
    const qsizetype m_capacity;
    mutable std::shared_mutex m_mutex;
    QHash<QString, QString> m_devices;
};
