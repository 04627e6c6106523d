#include "Platform/Linux/DesktopEntryApps.h"
#include "Platform/Linux/DesktopEntryIndex.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
void write(const QString& path, const QByteArray& content)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}
} // namespace

class TestInstalledApps : public QObject
{
    Q_OBJECT

private slots:

    void desktopEntries()
    {
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        QTemporaryDir root;
        const auto user = root.filePath(u"user"_s);
        const auto system = root.filePath(u"system"_s);
        write(user + u"/org.example.Game.desktop"_s,
              "[Desktop Entry]\nType=Application\nName=Game\nName[zh_CN]=游戏\nExec=/opt/game/game %U\n"
              "StartupWMClass=GameWin\n");
        write(system + u"/org.example.Game.desktop"_s, "[Desktop Entry]\nType=Application\nName=Shadowed\n");
        write(system + u"/kde/editor.desktop"_s,
              "[Desktop Entry]\nName[zh]=编辑器\nName=Editor\nType=Application\nExec=\"ed\"\n"
              "[Desktop Action New]\nName=Ignored\n");
        write(system + u"/helper.desktop"_s,
              "[Desktop Entry]\nType=Application\nName=Helper\nNoDisplay=true\n");
        write(system + u"/gone.desktop"_s, "[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\n");
        write(system + u"/link.desktop"_s, "[Desktop Entry]\nType=Link\nName=Link\n");

        const auto apps = DesktopEntryApps({ user, system }).loadApps();
        QStringList seen;
        for (const auto& app : apps) {
            seen.append(app.id + u'|' + app.name);
        }
        // Sorted in the user's locale: 编辑器 (biān) before 游戏 (yóu).
        QCOMPARE(seen, (QStringList { u"kde-editor|编辑器"_s, u"org.example.Game|游戏"_s }));
        QCOMPARE(apps.last().path, user + u"/org.example.Game.desktop"_s);

        const DesktopEntryIndex index({ user, system });
        QCOMPARE(index.byWindowClass(u"gamewin"_s, u"GameWin"_s)->id, u"org.example.Game"_s);
        QCOMPARE(index.byWindowClass(u"game"_s, u"Game"_s)->id, u"org.example.Game"_s);
        QCOMPARE(index.byWindowClass(u"ed"_s, u"Ed"_s)->id, u"kde-editor"_s);
        QCOMPARE(index.byWindowClass(u"helper"_s, u"Helper"_s)->id, u"helper"_s);
        QVERIFY(!index.byWindowClass(u"nothing"_s, u"Nothing"_s));
        QCOMPARE(index.byExecutable(u"/somewhere/else/game"_s)->id, u"org.example.Game"_s);
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(TestInstalledApps)
#include "TestInstalledApps.moc"
