#include "Views/MacLockCoordinator.h"

MacLockCoordinator::MacLockCoordinator(QObject* parent)
    : QObject(parent)
{
}

void MacLockCoordinator::setStatusText(const QString& text)
{
    if (text == m_statusText) {
        return;
    }
    m_statusText = text;
    emit statusTextChanged();
}
