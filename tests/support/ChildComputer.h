#pragma once

#include "Models/MacAppSelectionStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Services/MacUsageMonitorService.h"
#include "support/FixedAppBundle.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/ScriptedWorkspace.h"
#include "support/SettableClock.h"

#include <QNetworkAccessManager>

#include <memory>

// A child computer bound as device "dev-1" to the server at `baseURL`, as its synchronisation and
// lock guard see it: settings (installed as the shared ones), clock, desktop, package, rules, and
// one controlled application, "com.example.game". The selection and the usage monitor can be
// replaced or dropped by a test.
struct ChildComputer
{
    ChildComputer(const QDateTime& now, const QString& baseURL)
        : clock(now)
    {
        config.setBaseURLOverride(baseURL);
        config.setDeviceID(QStringLiteral("dev-1"));
        config.setRole(RemoteDeviceRole::child);
        selection->setPayload({ { QStringLiteral("com.example.game") }, {}, {}, QStringLiteral("mac") });
    }

    MemoryUserDefaults defaults;
    SettableClock clock;
    ScriptedWorkspace workspace;
    FixedAppBundle bundle;
    MemorySecureStore keychain;
    QNetworkAccessManager network;
    RemoteBackendConfig config { defaults, keychain, network };
    ScreenTimePolicyStore policies { std::make_unique<ScreenTimePolicyRepository>(
        ScreenTimePolicyRepository::defaultStorageKey(), defaults) };
    std::unique_ptr<MacAppSelectionStore> selection = std::make_unique<MacAppSelectionStore>(defaults);
    std::unique_ptr<MacUsageMonitorService> monitor
        = std::make_unique<MacUsageMonitorService>(defaults, clock, workspace);
};
