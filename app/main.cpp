#include "App/SingleInstance.h"
#include "App/VantorelMacApp.h"
#include "Models/L10n.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantorel"));
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
