#include "Protocol/WireCoding.h"
#include "Services/Network/RemoteAPIClient.h"

using namespace Qt::StringLiterals;

QCoro::Task<> RemoteAPIClient::putDeviceHealth(QString deviceID, PutDeviceHealthPayload body) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"health"_s });
    auto task = exchange(Method::PUT, url, body.encoded());
    co_await task;
}

QCoro::Task<DeviceHealthSnapshot> RemoteAPIClient::getDeviceHealth(QString deviceID, QString familyCode) const
{
    const auto url
        = endpointURL(u"api/v1/devices"_s, { deviceID, u"health"_s }, { { u"familyCode"_s, familyCode } });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<DeviceHealthSnapshot>(data);
}
