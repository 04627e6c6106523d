#include "Platform/Linux/LogindSessionActivity.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QVariantMap>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
const auto service = u"org.freedesktop.login1"_s;
const auto managerPath = u"/org/freedesktop/login1"_s;
const auto managerInterface = u"org.freedesktop.login1.Manager"_s;
const auto sessionInterface = u"org.freedesktop.login1.Session"_s;
// Asked every few seconds from the main thread: a logind that does not answer at once is
// treated as absent rather than allowed to stall the screens.
constexpr int callTimeoutMs = 500;
} // namespace

LogindSessionActivity::LogindSessionActivity(QDBusConnection bus, QString sessionId)
    : m_bus(std::move(bus))
    , m_sessionId(sessionId.isEmpty() ? qEnvironmentVariable("XDG_SESSION_ID") : std::move(sessionId))
{
}

QString LogindSessionActivity::sessionPath()
{
    if (!m_path.isEmpty() || !m_bus.isConnected()) {
        return m_path;
    }
    const auto ask = [this](const QString& method, const QVariant& argument) {
        auto message = QDBusMessage::createMethodCall(service, managerPath, managerInterface, method);
        message << argument;
        const QDBusReply<QDBusObjectPath> reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
        return reply.isValid() ? reply.value().path() : QString();
    };
    if (!m_sessionId.isEmpty()) {
        m_path = ask(u"GetSession"_s, m_sessionId);
    } else {
        // Started outside a login (a user service) the process has no session of its own; "auto"
        // is then the user's graphical one.
        m_path = ask(u"GetSessionByPID"_s, uint(::getpid()));
        if (m_path.isEmpty()) {
            m_path = ask(u"GetSession"_s, u"auto"_s);
        }
    }
    // A failure is asked again next time: logind may start after this application.
    return m_path;
}

SessionActivity::State LogindSessionActivity::state()
{
    const auto path = sessionPath();
    if (path.isEmpty()) {
        return State::unknown;
    }
    auto message
        = QDBusMessage::createMethodCall(service, path, u"org.freedesktop.DBus.Properties"_s, u"GetAll"_s);
    message << sessionInterface;
    const QDBusReply<QVariantMap> reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
    if (!reply.isValid()) {
        // The session may have been replaced (a new login): look it up again next time.
        m_path.clear();
        return State::unknown;
    }
    const auto properties = reply.value();
    const auto active = properties.value(u"Active"_s);
    if (active.typeId() != QMetaType::Bool) {
        return State::unknown;
    }
    const bool away = !active.toBool() || properties.value(u"IdleHint"_s).toBool()
        || properties.value(u"LockedHint"_s).toBool();
    return away ? State::away : State::inUse;
}
