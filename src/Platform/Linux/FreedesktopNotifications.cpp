#include "Platform/Linux/FreedesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <qcorosignal.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
// A call that no server answers must not hold up the caller for the bus's 25-second default.
constexpr int kCallTimeoutMs = 5000;

QCoro::Task<QDBusMessage> callAsync(QDBusConnection bus, QDBusMessage message)
{
    auto watcher = std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(message, kCallTimeoutMs));
    if (!watcher->isFinished()) {
        co_await qCoro(watcher.get(), &QDBusPendingCallWatcher::finished);
    }
    co_return watcher->reply();
}
} // namespace

FreedesktopNotifications::FreedesktopNotifications(QString applicationName, QDBusConnection bus)
    : m_applicationName(std::move(applicationName))
    , m_bus(std::move(bus))
{
}

QCoro::Task<bool> FreedesktopNotifications::requestAuthorization()
{
    if (!m_bus.isConnected()) {
        co_return false;
    }
    auto message = QDBusMessage::createMethodCall(service, path, interface, u"GetCapabilities"_s);
    const QDBusMessage reply = co_await callAsync(m_bus, message);
    co_return reply.type() == QDBusMessage::ReplyMessage;
}

QCoro::Task<bool> FreedesktopNotifications::add(Request request)
{
    if (!m_bus.isConnected()) {
        co_return false;
    }
    QVariantMap hints;
    // The server's own default sound plays unless the request asks for silence.
    if (!request.defaultSound) {
        hints.insert(u"suppress-sound"_s, true);
    }
    auto message = QDBusMessage::createMethodCall(service, path, interface, u"Notify"_s);
    message << m_applicationName << quint32(0) << QString() << request.title << request.body << QStringList()
            << hints << qint32(-1);
    const QDBusMessage reply = co_await callAsync(m_bus, message);
    co_return reply.type() == QDBusMessage::ReplyMessage;
}
