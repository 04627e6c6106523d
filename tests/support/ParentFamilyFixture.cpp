#include "support/ParentFamilyFixture.h"

#include "Services/Network/UserFriendlyMessage.h"
#include "support/AwaitTask.h"

using namespace Qt::StringLiterals;

ParentFamilyFixture::ParentFamilyFixture(LoopbackFamilyServer::Setup setup)
    : clock(QDateTime(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC))
    , server(std::make_unique<LoopbackFamilyServer>(std::move(setup)))
{
}

ParentFamilyFixture::~ParentFamilyFixture() = default;

bool ParentFamilyFixture::start()
{
    if (!server->start()) {
        m_error = server->errorString();
        return false;
    }
    client = std::make_unique<RemoteAPIClient>(QUrl(server->baseUrl()), &directSession);
    auto family = AwaitTask::run(client->createFamily());
    if (family.error) {
        m_error = userFriendlyMessage(family.error);
        return false;
    }
    familyCode = family.value->familyCode;
    parentID = addDevice(RemoteDeviceRole::parent, u"妈妈的 Mac"_s);
    annID = addDevice(RemoteDeviceRole::child, u"Ann"_s);
    benID = addDevice(RemoteDeviceRole::child, u"Ben"_s);
    if (parentID.isEmpty() || annID.isEmpty() || benID.isEmpty()) {
        m_error = u"registering the family's devices failed"_s;
        return false;
    }
    config = std::make_unique<RemoteBackendConfig>(defaults, keychain, session);
    config->setBaseURLOverride(server->baseUrl());
    config->setFamilyCode(familyCode);
    config->setDeviceID(parentID);
    config->setRole(RemoteDeviceRole::parent);
    return true;
}

QString ParentFamilyFixture::addDevice(RemoteDeviceRole role, const QString& name)
{
    auto device = AwaitTask::run(client->registerDevice(familyCode, role, name));
    return device.value ? device.value->deviceId : QString();
}

void ParentFamilyFixture::requestUnlock(const QString& childID, std::optional<qint64> minutes,
                                        const QString& reason)
{
    const auto outcome = AwaitTask::run(client->requestUnlock(
        childID, minutes, reason.isEmpty() ? std::nullopt : std::optional<QString>(reason)));
    if (outcome.error) {
        qWarning("unlock request failed: %s", qPrintable(userFriendlyMessage(outcome.error)));
    }
}
