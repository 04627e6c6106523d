#include "Models/ScreenTimePolicy.h"
#include "Protocol/WireCoding.h"
#include "Services/Network/ModelPayloads.h"
#include "Services/Network/RemoteAPIClient.h"

using namespace Qt::StringLiterals;

QCoro::Task<DevicePolicyResponse> RemoteAPIClient::fetchPolicy(QString deviceID) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"policy"_s });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return policyResponseDecoder().decode(data);
}

QCoro::Task<> RemoteAPIClient::upsertPolicy(QString deviceID, ScreenTimePolicy policy,
                                            QVariantMap selectionPayload) const
{
    // A selection that JSON cannot carry fails here, before anything is sent.
    const UpsertPolicyPayload body { policyPayload(policy),
                                     WireCoding::jsonObjectFromVariantMap(selectionPayload) };
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"policy"_s });
    auto task = exchange(Method::PUT, url, WireCoding::encode(body.toJson()));
    co_await task;
}
