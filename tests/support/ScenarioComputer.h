#pragma once

#include "support/AtspiDriver.h"

#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

class DesktopSession;

// One computer of a family in an end-to-end test: the application under a user account of its
// own (home, XDG folders, settings store, secrets) on a display of its own, driven only through
// its windows, over the accessibility bus and with pointer and keys where a person would click or
// type. Every driving call reports its own failure through QTest; the caller ends its step there.
class ScenarioComputer
{
public:
    using Node = AtspiDriver::Node;
    static constexpr int uiTimeoutMs = 20000;

    ScenarioComputer(DesktopSession& session, AtspiDriver& atspi)
        : m_session(session)
        , m_atspi(atspi)
    {
    }

    // Creates the account's folders under `root` and its environment. `extraPath` is put first on
    // PATH (stand-ins for system tools).
    void prepare(const QString& label, const QString& root, const QByteArray& display,
                 const QString& extraPath);
    void launch(const QString& binary);
    void quit();

    QString label() const { return m_label; }
    QString root() const { return m_root; }
    QByteArray display() const { return m_display; }
    // The account's environment, for other programs the person starts there.
    QProcessEnvironment environment() const { return m_environment; }
    const Node& application() const { return m_node; }
    // Where the application's settings store lies, for arranging it before the first launch.
    QString settingsFile() const;
    QString logFile() const;

    Node waitFor(const QString& name, uint role = AtspiDriver::anyRole, int timeoutMs = uiTimeoutMs);
    Node waitForContaining(const QString& part, int timeoutMs = uiTimeoutMs);
    bool gone(const QString& name);
    void press(const QString& name);
    // Clicks into the field and types, as a person does.
    void type(const QString& fieldName, const QString& text);
    void typeInto(const Node& field, const QString& text);
    void click(const QRect& area, int dx = -1);
    QString xdotool(const QStringList& arguments);
    // The application's top-level windows on screen that show `text`.
    QList<Node> windowsShowing(const QString& text);

private:
    DesktopSession& m_session;
    AtspiDriver& m_atspi;
    QString m_label;
    QString m_root;
    QByteArray m_display;
    QProcessEnvironment m_environment;
    qint64 m_pid = 0;
    Node m_node;
};
