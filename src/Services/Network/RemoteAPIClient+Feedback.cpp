#include "Protocol/WireCoding.h"
#include "Services/Network/RemoteAPIClient.h"

using namespace Qt::StringLiterals;

QCoro::Task<> RemoteAPIClient::submitFeedback(FeedbackPayload body) const
{
    const auto url = endpointURL(u"api/v1/feedbacks"_s);
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    co_await task;
}
