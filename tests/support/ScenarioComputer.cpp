#include "support/ScenarioComputer.h"

#include "support/DesktopSession.h"
#include "support/XvfbServer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdlib>

using namespace Qt::StringLiterals;

void ScenarioComputer::prepare(const QString& label, const QString& root, const QByteArray& display,
                               const QString& extraPath)
{
    m_label = label;
    m_root = root;
    m_display = display;
    for (const auto* folder : { "home", "config", "data", "cache", "runtime" }) {
        QVERIFY(QDir().mkpath(m_root + u"/"_s + QString::fromLatin1(folder)));
    }
    QFile::setPermissions(m_root + u"/runtime"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto env = m_session.environment();
    env.insert(u"DISPLAY"_s, QString::fromUtf8(m_display));
    env.insert(u"HOME"_s, m_root + u"/home"_s);
    env.insert(u"XDG_CONFIG_HOME"_s, m_root + u"/config"_s);
    env.insert(u"XDG_DATA_HOME"_s, m_root + u"/data"_s);
    env.insert(u"XDG_CACHE_HOME"_s, m_root + u"/cache"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, m_root + u"/runtime"_s);
    env.insert(u"PATH"_s, extraPath + u":"_s + env.value(u"PATH"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    env.insert(u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON"_s, u"1"_s);
    env.insert(u"LANG"_s, u"zh_CN.UTF-8"_s);
    env.insert(u"LANGUAGE"_s, u"zh_CN"_s);
    env.remove(u"LC_ALL"_s);
    // Midday whenever the test runs, far from the default nightly blocked period (20:00–08:00),
    // which would otherwise shield the controlled program from the start.
    const int utcHour = QDateTime::currentDateTimeUtc().time().hour();
    const int offset = 12 - utcHour; // hours east of UTC, -11…12
    env.insert(u"TZ"_s, u"NOON%1%2"_s.arg(offset > 0 ? u"-"_s : u"+"_s).arg(std::abs(offset)));
    m_environment = env;
}

QString ScenarioComputer::settingsFile() const
{
    return m_root + u"/config/vantorel/defaults.sqlite3"_s;
}

QString ScenarioComputer::logFile() const
{
    return m_root + u"/app.log"_s;
}

void ScenarioComputer::launch(const QString& binary)
{
    m_pid = m_session.startProgram(binary, {}, m_environment, logFile());
    QVERIFY2(m_pid > 0, "the application did not start");
    QTRY_VERIFY_WITH_TIMEOUT((m_node = m_atspi.application(m_pid)).isValid(), uiTimeoutMs);
    waitFor(u"守护孩子健康、视力与专注力"_s);
}

void ScenarioComputer::quit()
{
    if (m_pid) {
        m_session.stopProgram(m_pid);
        m_pid = 0;
        m_node = {};
    }
}

ScenarioComputer::Node ScenarioComputer::waitFor(const QString& name, uint role, int timeoutMs)
{
    Node found;
    if (!QTest::qWaitFor([&] { return (found = m_atspi.find(m_node, name, role)).isValid(); }, timeoutMs)) {
        QTest::qFail(qPrintable(m_label + u": nothing named "_s + name), __FILE__, __LINE__);
    }
    return found;
}

ScenarioComputer::Node ScenarioComputer::waitForContaining(const QString& part, int timeoutMs)
{
    Node found;
    if (!QTest::qWaitFor([&] { return (found = m_atspi.findContaining(m_node, part)).isValid(); },
                         timeoutMs)) {
        QTest::qFail(qPrintable(m_label + u": nothing showing "_s + part), __FILE__, __LINE__);
    }
    return found;
}

bool ScenarioComputer::gone(const QString& name)
{
    return !m_atspi.find(m_node, name).isValid();
}

void ScenarioComputer::press(const QString& name)
{
    const auto isButton = [this, &name](const Node& node) {
        const uint role = m_atspi.role(node);
        return (role == AtspiDriver::pushButtonRole || role == AtspiDriver::toggleButtonRole
                || role == AtspiDriver::checkBoxRole)
            && m_atspi.label(node) == name && m_atspi.isEnabled(node);
    };
    Node button;
    QTest::qWaitFor(
        [&] {
            const auto found = m_atspi.findAll(m_node, isButton);
            button = found.isEmpty() ? Node {} : found.constFirst();
            return button.isValid();
        },
        uiTimeoutMs);
    if (!button.isValid()) {
        QFAIL(qPrintable(m_label + u": no button "_s + name));
    }
    QVERIFY2(m_atspi.press(button), qPrintable(m_label + u": cannot press "_s + name));
}

void ScenarioComputer::type(const QString& fieldName, const QString& text)
{
    const Node field = waitFor(fieldName);
    if (QTest::currentTestFailed()) {
        return;
    }
    typeInto(field, text);
}

void ScenarioComputer::typeInto(const Node& field, const QString& text)
{
    QVERIFY(field.isValid());
    click(m_atspi.extents(field));
    xdotool({ u"key"_s, u"--clearmodifiers"_s, u"ctrl+a"_s, u"BackSpace"_s });
    xdotool({ u"type"_s, u"--delay"_s, u"15"_s, text });
}

void ScenarioComputer::click(const QRect& area, int dx)
{
    QVERIFY2(area.isValid(), "nothing to click on");
    const int x = dx >= 0 ? area.x() + dx : area.center().x();
    xdotool({ u"mousemove"_s, QString::number(x), QString::number(area.center().y()), u"click"_s, u"1"_s });
    QTest::qWait(150);
}

QString ScenarioComputer::xdotool(const QStringList& arguments)
{
    return X11TestTools::run(m_display, u"xdotool"_s, arguments);
}

QList<ScenarioComputer::Node> ScenarioComputer::windowsShowing(const QString& text)
{
    QList<Node> windows;
    for (const Node& window : m_atspi.children(m_node)) {
        if (m_atspi.isShowing(window) && m_atspi.find(window, text).isValid()) {
            windows.append(window);
        }
    }
    return windows;
}
