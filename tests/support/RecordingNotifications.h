#pragma once

#include "Platform/SystemNotifications.h"

#include <QList>

// Records authorisation requests and notifications.
class RecordingNotifications final : public SystemNotifications
{
public:
    RecordingNotifications() = default;
    Q_DISABLE_COPY_MOVE(RecordingNotifications)

    QCoro::Task<bool> requestAuthorization() override;
    QCoro::Task<bool> add(Request request) override;

    int authorizationRequests() const { return m_authorizationRequests; }
    QList<Request> requests() const { return m_requests; }
    // As if the user had refused notifications: authorisation says no and requests are dropped.
    void setAllowed(bool allowed) { m_allowed = allowed; }

private:
    int m_authorizationRequests = 0;
    QList<Request> m_requests;
    bool m_allowed = true;
};
