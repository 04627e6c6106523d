#include "Protocol/WireCoding.h"
#include "Services/Network/RemoteAPIClient.h"

using namespace Qt::StringLiterals;

QCoro::Task<PublicAppDisplayInfo> RemoteAPIClient::fetchPublicAppDisplayInfo() const
{
    const auto url = endpointURL(u"api/v1/public/app-display-info"_s);
    // Public and never cached: every call asks again.
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<PublicAppDisplayInfo>(data);
}
