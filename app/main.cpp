#include "App/SingleInstance.h"
#include "App/VantorelMacApp.h"
#include "Models/L10n.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {
int run(QApplication& application)
{
    // The system-wide login entry starts the application this way in every account's session.
    if (QApplication::arguments().contains(QStringLiteral("--autostart"))
        && !VantorelMacApp::startsAtLogin()) {
        return 0;
    }
    // The guard's keeper starts the protected copy with this flag, to take the place of a copy
    // started by hand rather than run beside it.
    const bool replace = QApplication::arguments().contains(QStringLiteral("--replace"));
    SingleInstance instance;
    if (!instance.claim(replace ? SingleInstance::Start::replace : SingleInstance::Start::handOver)) {
        return 0;
    }
    VantorelMacApp app(application);
    // Title bars carry the product name in the interface language, as the screens do.
    QApplication::setApplicationDisplayName(L10n::localized("岚哨"));
    QObject::connect(&instance, &SingleInstance::activationRequested, &app, &VantorelMacApp::raiseWindow);
    // Ends without the quit decision: the enforcing copy that replaces this one is already starting.
    // The request can come while the launch still waits on a nested event loop (the keyring), when
    // there is no main loop yet to leave: then the main loop is never entered.
    bool replaced = false;
    QObject::connect(&instance, &SingleInstance::replacementRequested, &app, [&replaced] {
        replaced = true;
        QApplication::exit(0);
    });
    app.launch();
    if (replaced) {
        return 0;
    }
    return QApplication::exec();
}

// Everything the application owns is closed and saved by now. Tearing down the Qt application
// object as well would wait for host-name lookups still running in Qt's resolver threads (the
// update check's, say): with a resolver that does not answer, an ended copy would live on for
// half a minute beside the copy that replaced it, or after the user quit.
[[noreturn]] void endProcess(int code)
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();
#endif
    std::fflush(nullptr);
    std::_Exit(code);
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantorel"));
    endProcess(run(application));
}
