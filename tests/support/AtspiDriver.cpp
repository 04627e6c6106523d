#include "support/AtspiDriver.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

const QString accessibleInterface = u"org.a11y.atspi.Accessible"_s;
const QString rootPath = u"/org/a11y/atspi/accessible/root"_s;
constexpr int callTimeoutMs = 5000;

// AT-SPI state bits (atspi-constants.h).
constexpr uint stateChecked = 4;
constexpr uint stateEnabled = 8;
constexpr uint stateShowing = 25;
constexpr uint stateVisible = 30;

bool hasState(const QList<uint>& states, uint bit)
{
    const auto word = bit / 32;
    return word < uint(states.size()) && (states[int(word)] & (1u << (bit % 32))) != 0;
}

} // namespace

AtspiDriver::AtspiDriver(const QString& sessionBusAddress)
    : m_connectionName(u"atspi-driver-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    const QString sessionName = m_connectionName + u"-session"_s;
    {
        QDBusConnection session = QDBusConnection::connectToBus(sessionBusAddress, sessionName);
        if (!session.isConnected()) {
            m_error = u"cannot reach the session bus: "_s + session.lastError().message();
        } else {
            const auto request = QDBusMessage::createMethodCall(u"org.a11y.Bus"_s, u"/org/a11y/bus"_s,
                                                                u"org.a11y.Bus"_s, u"GetAddress"_s);
            const QDBusReply<QString> address = session.call(request, QDBus::Block, callTimeoutMs);
            if (!address.isValid()) {
                m_error = u"no accessibility bus: "_s + address.error().message();
            } else {
                QDBusConnection a11y = QDBusConnection::connectToBus(address.value(), m_connectionName);
                if (!a11y.isConnected()) {
                    m_error = u"cannot reach the accessibility bus: "_s + a11y.lastError().message();
                }
            }
        }
    }
    QDBusConnection::disconnectFromBus(sessionName);
}

AtspiDriver::~AtspiDriver()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool AtspiDriver::isConnected() const
{
    return m_error.isEmpty() && QDBusConnection(m_connectionName).isConnected();
}

AtspiDriver::Node AtspiDriver::application(qint64 pid)
{
    QDBusConnection bus(m_connectionName);
    const QDBusReply<QStringList> names = bus.interface()->registeredServiceNames();
    if (!names.isValid()) {
        return {};
    }
    for (const QString& service : names.value()) {
        if (!service.startsWith(u':')) {
            continue;
        }
        const QDBusReply<uint> owner = bus.interface()->servicePid(service);
        if (owner.isValid() && qint64(owner.value()) == pid) {
            const Node root { service, rootPath };
            // A process also owns connections of its own that are not its accessible root.
            if (role(root) != anyRole) {
                return root;
            }
        }
    }
    return {};
}

QDBusMessage AtspiDriver::call(const Node& node, const QString& interface, const QString& method,
                               const QVariantList& arguments)
{
    auto message = QDBusMessage::createMethodCall(node.service, node.path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection(m_connectionName).call(message, QDBus::Block, callTimeoutMs);
}

QVariant AtspiDriver::property(const Node& node, const QString& interface, const QString& name)
{
    const auto reply
        = call(node, u"org.freedesktop.DBus.Properties"_s, u"Get"_s, { QVariant(interface), QVariant(name) });
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

QList<AtspiDriver::Node> AtspiDriver::children(const Node& node)
{
    QList<Node> result;
    const auto reply = call(node, accessibleInterface, u"GetChildren"_s);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return result;
    }
    const auto argument = reply.arguments().constFirst().value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QString service;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> service >> path;
        argument.endStructure();
        result.append({ service, path.path() });
    }
    argument.endArray();
    return result;
}

QString AtspiDriver::name(const Node& node)
{
    return property(node, accessibleInterface, u"Name"_s).toString();
}

QString AtspiDriver::description(const Node& node)
{
    return property(node, accessibleInterface, u"Description"_s).toString();
}

QString AtspiDriver::label(const Node& node)
{
    const QString own = name(node);
    return own.isEmpty() ? description(node) : own;
}

uint AtspiDriver::role(const Node& node)
{
    const auto reply = call(node, accessibleInterface, u"GetRole"_s);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return anyRole;
    }
    return reply.arguments().constFirst().toUInt();
}

QList<uint> AtspiDriver::states(const Node& node)
{
    const auto reply = call(node, accessibleInterface, u"GetState"_s);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return qdbus_cast<QList<uint>>(reply.arguments().constFirst());
}

bool AtspiDriver::isShowing(const Node& node)
{
    const auto all = states(node);
    return hasState(all, stateShowing) && hasState(all, stateVisible);
}

bool AtspiDriver::isChecked(const Node& node)
{
    return hasState(states(node), stateChecked);
}

bool AtspiDriver::isEnabled(const Node& node)
{
    return hasState(states(node), stateEnabled);
}

QRect AtspiDriver::extents(const Node& node)
{
    // Coordinate type 0: the screen.
    const auto reply = call(node, u"org.a11y.atspi.Component"_s, u"GetExtents"_s, { QVariant(uint(0)) });
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    const auto argument = reply.arguments().constFirst().value<QDBusArgument>();
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    argument.beginStructure();
    argument >> x >> y >> width >> height;
    argument.endStructure();
    return { x, y, width, height };
}

QList<AtspiDriver::Node> AtspiDriver::findAll(const Node& root,
                                              const std::function<bool(const Node&)>& matches)
{
    QList<Node> found;
    QList<Node> pending { root };
    while (!pending.isEmpty()) {
        const Node node = pending.takeFirst();
        if (node != root && !isShowing(node)) {
            continue;
        }
        if (node != root && matches(node)) {
            found.append(node);
        }
        pending = children(node) + pending;
    }
    return found;
}

AtspiDriver::Node AtspiDriver::find(const Node& root, const QString& wanted, uint wantedRole)
{
    const auto all = findAll(root, [&](const Node& node) {
        return label(node) == wanted && (wantedRole == anyRole || role(node) == wantedRole);
    });
    return all.isEmpty() ? Node {} : all.constFirst();
}

AtspiDriver::Node AtspiDriver::findContaining(const Node& root, const QString& part, uint wantedRole)
{
    const auto all = findAll(root, [&](const Node& node) {
        return label(node).contains(part) && (wantedRole == anyRole || role(node) == wantedRole);
    });
    return all.isEmpty() ? Node {} : all.constFirst();
}

bool AtspiDriver::doAction(const Node& node, const QString& action)
{
    int index = 0;
    if (!action.isEmpty()) {
        const int count = property(node, u"org.a11y.atspi.Action"_s, u"NActions"_s).toInt();
        index = -1;
        for (int i = 0; i < count && index < 0; ++i) {
            const auto reply = call(node, u"org.a11y.atspi.Action"_s, u"GetName"_s, { QVariant(i) });
            if (!reply.arguments().isEmpty() && reply.arguments().constFirst().toString() == action) {
                index = i;
            }
        }
        if (index < 0) {
            return false;
        }
    }
    const auto reply = call(node, u"org.a11y.atspi.Action"_s, u"DoAction"_s, { QVariant(index) });
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
        && reply.arguments().constFirst().toBool();
}

bool AtspiDriver::press(const Node& node)
{
    return doAction(node, u"Press"_s) || doAction(node, u"Toggle"_s);
}

QString AtspiDriver::dump(const Node& root, int depth)
{
    QString out = QString(depth * 2, u' ') + QString::number(role(root)) + u" '"_s + label(root) + u"'\n"_s;
    for (const Node& child : children(root)) {
        if (isShowing(child)) {
            out += dump(child, depth + 1);
        }
    }
    return out;
}
