#include "Platform/Linux/LinuxWorkspace.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestLinuxWorkspace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionKindFromTheSessionsVariables_data()
    {
        QTest::addColumn<QStringList>("variables");
        QTest::addColumn<LinuxWorkspace::SessionKind>("kind");
        using Kind = LinuxWorkspace::SessionKind;
        QTest::newRow("X11") << QStringList { u"XDG_SESSION_TYPE=x11"_s, u"XDG_CURRENT_DESKTOP=GNOME"_s,
                                              u"DISPLAY=:0"_s }
                             << Kind::x11;
        QTest::newRow("GNOME on Wayland")
            << QStringList { u"XDG_SESSION_TYPE=wayland"_s, u"XDG_CURRENT_DESKTOP=GNOME"_s, u"DISPLAY=:0"_s }
            << Kind::gnomeWayland;
        QTest::newRow("Ubuntu's GNOME")
            << QStringList { u"XDG_SESSION_TYPE=wayland"_s, u"XDG_CURRENT_DESKTOP=ubuntu:GNOME"_s }
            << Kind::gnomeWayland;
        QTest::newRow("Plasma on Wayland")
            << QStringList { u"XDG_SESSION_TYPE=wayland"_s, u"XDG_CURRENT_DESKTOP=KDE"_s }
            << Kind::kdeWayland;
        QTest::newRow("Plasma on X11")
            << QStringList { u"XDG_SESSION_TYPE=x11"_s, u"XDG_CURRENT_DESKTOP=KDE"_s, u"DISPLAY=:0"_s }
            << Kind::x11;
        QTest::newRow("another Wayland desktop")
            << QStringList { u"XDG_SESSION_TYPE=wayland"_s, u"XDG_CURRENT_DESKTOP=COSMIC"_s }
            << Kind::otherWayland;
        QTest::newRow("no session type, Wayland only")
            << QStringList { u"WAYLAND_DISPLAY=wayland-0"_s, u"XDG_CURRENT_DESKTOP=sway"_s } << Kind::wlroots;
        QTest::newRow("a wlroots desktop")
            << QStringList { u"XDG_SESSION_TYPE=wayland"_s, u"XDG_CURRENT_DESKTOP=river:wlroots"_s }
            << Kind::wlroots;
        QTest::newRow("Sway from a console login, with XWayland")
            << QStringList { u"XDG_SESSION_TYPE=tty"_s, u"WAYLAND_DISPLAY=wayland-1"_s, u"DISPLAY=:0"_s,
                             u"SWAYSOCK=/run/user/1000/sway-ipc.sock"_s }
            << Kind::wlroots;
        QTest::newRow("no session type, both displays")
            << QStringList { u"WAYLAND_DISPLAY=wayland-0"_s, u"DISPLAY=:0"_s } << Kind::x11;
    }
    void sessionKindFromTheSessionsVariables()
    {
        QFETCH(QStringList, variables);
        QFETCH(LinuxWorkspace::SessionKind, kind);
        QProcessEnvironment environment;
        for (const auto& variable : std::as_const(variables)) {
            environment.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        }
        QCOMPARE(LinuxWorkspace::sessionKind(environment), kind);
    }
};

QTEST_GUILESS_MAIN(TestLinuxWorkspace)
#include "TestLinuxWorkspace.moc"
