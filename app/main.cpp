#include "App/VantorelMacApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantorel"));
    QApplication::setApplicationDisplayName(QStringLiteral("岚哨"));
    VantorelMacApp app(application);
    app.launch();
    return QApplication::exec();
}
