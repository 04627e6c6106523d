#pragma once

#include "Models/RemoteBackendConfig.h"
#include "Services/Network/RemoteAPIClient.h"
#include "support/FaultInjectingNetworkAccessManager.h"
#include "support/LoopbackFamilyServer.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/SettableClock.h"

#include <memory>

// A family on a real loopback server as a parent's screens see it: the parent's computer is
// registered and configured, with two children "Ann" and "Ben". The screens' clients use
// `session` (installed as the shared one), where a test can make chosen requests fail; `client`
// talks to the server directly, for arranging data and checking what the screens stored.
class ParentFamilyFixture final
{
public:
    explicit ParentFamilyFixture(LoopbackFamilyServer::Setup setup = {});
    ~ParentFamilyFixture();
    Q_DISABLE_COPY_MOVE(ParentFamilyFixture)

    // False with `errorString()` when the server or the family could not be set up.
    bool start();
    QString errorString() const { return m_error; }

    // Registers one more device of the family.
    QString addDevice(RemoteDeviceRole role, const QString& name);
    // A pending unlock request from `childID`.
    void requestUnlock(const QString& childID, std::optional<qint64> minutes, const QString& reason = {});

    MemoryUserDefaults defaults;
    MemorySecureStore keychain;
    SettableClock clock;
    std::unique_ptr<LoopbackFamilyServer> server;
    FaultInjectingNetworkAccessManager session;
    QNetworkAccessManager directSession;
    std::unique_ptr<RemoteAPIClient> client;
    std::unique_ptr<RemoteBackendConfig> config;
    QString familyCode;
    QString parentID;
    QString annID;
    QString benID;

private:
    QString m_error;
};
