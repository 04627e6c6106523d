#include "App/VantorelMacApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantorel"));
    QApplication::setApplicationDisplayName(QStringLiteral("岚哨"));
    // The system-wide login entry starts the application this way in every account's session.
    if (QApplication::arguments().contains(QStringLiteral("--autostart"))
        && !VantorelMacApp::startsAtLogin()) {
        return 0;
    }
    VantorelMacApp app(application);
    app.launch();
    return QApplication::exec();
}
