#include "support/RecordingNotifications.h"

QCoro::Task<bool> RecordingNotifications::requestAuthorization()
{
    co_return true;
}

QCoro::Task<bool> RecordingNotifications::add(Request request)
{
    m_requests.append(std::move(request));
    co_return true;
}
