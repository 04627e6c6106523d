#include "Views/AppStyleSheet.h"

#include <QApplication>
#include <QFile>

void AppStyleSheet::apply(QApplication& application)
{
    QFile file(QStringLiteral(":/style/vantorel.qss"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning("The style sheet is missing from the resources; the screens keep the platform look.");
        return;
    }
    application.setStyleSheet(QString::fromUtf8(file.readAll()));
}
