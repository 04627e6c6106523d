#pragma once

#include <QDBusConnection>
#include <QList>
#include <QRect>
#include <QString>

#include <functional>

// Drives the widgets of another process the way a screen reader does: over the accessibility
// bus (AT-SPI 2), which a Qt application joins when QT_LINUX_ACCESSIBILITY_ALWAYS_ON is set. Nodes
// are found by their accessible name and role, buttons are pressed through their action, and
// positions are read for a real pointer click or typing where a widget offers no action.
class AtspiDriver
{
public:
    struct Node
    {
        QString service;
        QString path;
        bool isValid() const { return !service.isEmpty(); }
        bool operator==(const Node& other) const = default;
    };

    // AT-SPI role numbers (atspi-constants.h) of the widgets the tests look for.
    enum Role : uint
    {
        anyRole = 0,
        checkBoxRole = 7,
        listItemRole = 32,
        pushButtonRole = 43,
        textRole = 61,
        toggleButtonRole = 62,
        entryRole = 79
    };

    // Asks the session bus at `sessionBusAddress` for the accessibility bus and connects to it.
    explicit AtspiDriver(const QString& sessionBusAddress);
    ~AtspiDriver();
    Q_DISABLE_COPY_MOVE(AtspiDriver)

    bool isConnected() const;
    QString errorString() const { return m_error; }

    // The accessible root of the process `pid`, once it has joined the bus.
    Node application(qint64 pid);

    QList<Node> children(const Node& node);
    QString name(const Node& node);
    // What a screen reader reads when there is no name: for a field, its placeholder.
    QString description(const Node& node);
    // The name, or the description of a node without one.
    QString label(const Node& node);
    uint role(const Node& node);
    bool isShowing(const Node& node);
    bool isChecked(const Node& node);
    bool isEnabled(const Node& node);
    // Screen coordinates.
    QRect extents(const Node& node);

    // Depth-first, through showing nodes only. Names are matched against `label()`.
    QList<Node> findAll(const Node& root, const std::function<bool(const Node&)>& matches);
    Node find(const Node& root, const QString& name, uint role = anyRole);
    // The first showing node whose name contains `part`.
    Node findContaining(const Node& root, const QString& part, uint role = anyRole);

    // The showing tree under `root`, one node a line ("role 'name'"), for failure reports.
    QString dump(const Node& root, int depth = 0);

    // Runs the named action ("Press", "Toggle", …) or, when empty, the first one.
    bool doAction(const Node& node, const QString& action = {});
    // A button's click: "Press", or "Toggle" for a checkable one.
    bool press(const Node& node);

private:
    QDBusMessage call(const Node& node, const QString& interface, const QString& method,
                      const QVariantList& arguments = {});
    QVariant property(const Node& node, const QString& interface, const QString& name);
    QList<uint> states(const Node& node);

    QString m_connectionName;
    QString m_error;
};
