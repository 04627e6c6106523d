#include "App/VantorelMacApp.h"
#include "Models/L10n.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantorel"));
    VantorelMacApp app(application);
    // Title bars carry the product name in the interface language, as the screens do.
    QApplication::setApplicationDisplayName(L10n::localized("岚哨"));
    app.launch();
    return QApplication::exec();
}
