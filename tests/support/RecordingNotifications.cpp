#include "support/RecordingNotifications.h"

QCoro::Task<bool> RecordingNotifications::requestAuthorization()
{
    ++m_authorizationRequests;
    co_return m_allowed;
}

QCoro::Task<bool> RecordingNotifications::add(Request request)
{
    if (!m_allowed) {
        co_return false;
    }
    m_requests.append(std::move(request));
    co_return true;
}
