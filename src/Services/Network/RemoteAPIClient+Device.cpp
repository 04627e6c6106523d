#include "Protocol/WireCoding.h"
#include "Services/Network/RemoteAPIClient.h"

using namespace Qt::StringLiterals;

QCoro::Task<QList<DeviceListItem>> RemoteAPIClient::fetchDevices(QString familyCode) const
{
    // The retry outlives this call's first suspension, so it works on its own copy of the client.
    auto task = retryingOnceOnTransientError<QList<DeviceListItem>>(
        [client = *this, familyCode] { return client.fetchDevicesOnce(familyCode); });
    co_return co_await task;
}

QCoro::Task<QList<DeviceListItem>> RemoteAPIClient::fetchDevicesOnce(QString familyCode) const
{
    const auto url = endpointURL(u"api/v1/families"_s, { familyCode, u"devices"_s });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<ListDevicesResponse>(data).devices;
}

QCoro::Task<DeviceListItem> RemoteAPIClient::fetchOwnDevice(QString deviceID, QString familyCode) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID }, { { u"familyCode"_s, familyCode } });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<DeviceListItem>(data);
}

QCoro::Task<> RemoteAPIClient::patchChildDeviceDisplayName(QString deviceID, QString familyCode,
                                                           QString name) const
{
    const RenameDevicePayload body { name };
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID }, { { u"familyCode"_s, familyCode } });
    auto task = exchange(Method::PATCH, url, WireCoding::encode(body.toJson()));
    co_await task;
}

QCoro::Task<> RemoteAPIClient::deleteDevice(QString deviceID, QString familyCode) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID }, { { u"familyCode"_s, familyCode } });
    auto task = exchange(Method::DELETE, url);
    co_await task;
}
