#pragma once

#include "Platform/SystemNotifications.h"

#include <QDBusConnection>

// Notifications through the desktop's org.freedesktop.Notifications service on the session bus.
// The protocol has no permission step: "authorised" means a notification server answers.
// Every request is sent with replaces_id 0, so the server shows a new notification each time.
class FreedesktopNotifications final : public SystemNotifications
{
public:
    explicit FreedesktopNotifications(QString applicationName,
                                      QDBusConnection bus = QDBusConnection::sessionBus());

    QCoro::Task<bool> requestAuthorization() override;
    QCoro::Task<bool> add(Request request) override;

    static inline const QString service = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");
    static inline const QString interface = QStringLiteral("org.freedesktop.Notifications");

private:
    QString m_applicationName;
    QDBusConnection m_bus;
};
