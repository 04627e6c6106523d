#pragma once

#include "Platform/SystemNotifications.h"

#include <QList>

// Records notifications; authorisation is always granted.
class RecordingNotifications final : public SystemNotifications
{
public:
    RecordingNotifications() = default;
    Q_DISABLE_COPY_MOVE(RecordingNotifications)

    QCoro::Task<bool> requestAuthorization() override;
    QCoro::Task<bool> add(Request request) override;

    QList<Request> requests() const { return m_requests; }

private:
    QList<Request> m_requests;
};
