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
    VantorelMacApp app(application);
    // Title bars carry the product name in the interface language, as the screens do.
    QApplication::setApplicationDisplayName(L10n::localized("岚哨"));
    app.launch();
    return QApplication::exec();
}
