#include "Platform/Linux/FileSecureStore.h"
#include "Platform/Linux/FreedesktopNotifications.h"
#include "Platform/Linux/KeychainSecureStore.h"
#include "Platform/Linux/LinuxAppBundle.h"
#include "Platform/Linux/PkexecAdminRunner.h"
#include "Platform/PlatformDefaults.h"

#include <memory>

using namespace Qt::StringLiterals;

namespace PlatformDefaults {

SecureStore& secureStore()
{
    // Decided once per process: a keyring that works now is used for the whole run.
    static const std::unique_ptr<SecureStore> store = []() -> std::unique_ptr<SecureStore> {
        auto keychain = std::make_unique<KeychainSecureStore>(u"Vantorel"_s);
        if (keychain->probe()) {
            return keychain;
        }
        return std::make_unique<FileSecureStore>(FileSecureStore::defaultFilePath());
    }();
    return *store;
}

AdminRunner& adminRunner()
{
    static PkexecAdminRunner runner;
    return runner;
}

SystemNotifications& systemNotifications()
{
    static FreedesktopNotifications notifications(u"岚哨"_s);
    return notifications;
}

AppBundle& appBundle()
{
    static LinuxAppBundle bundle;
    return bundle;
}

} // namespace PlatformDefaults
