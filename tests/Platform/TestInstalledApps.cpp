#include "Platform/AppBundleFolders.h"
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

QByteArray plist(const QByteArray& members)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\"><dict>"_ba
        + members + "</dict></plist>";
}
} // namespace

class TestInstalledApps : public QObject
{
    Q_OBJECT

private slots:
    void bundles()
    {
        QTemporaryDir root;
        const auto first = root.filePath(u"Applications"_s);
        const auto second = root.filePath(u"Utilities"_s);
        write(first + u"/Zeta.app/Contents/Info.plist"_s,
              plist("<key>CFBundleIdentifier</key><string>com.z</string><key>CFBundleName</"
                    "key><string>Alpha</string>"));
        write(first + u"/Display.app/Contents/Info.plist"_s,
              plist("<key>CFBundleName</key><integer>3</integer><key>CFBundleDisplayName</key><string>Beta</"
                    "string>"
                    "<key>LSItems</key><array><string>CFBundleName</string></array>"));
        QDir().mkpath(first + u"/Plain.app"_s);
        write(first + u"/Broken.app/Contents/Info.plist"_s, "<plist><dict><key>CFBundleName</key><string>X");
        write(first + u"/NotADir.app"_s, "file");
        write(first + u"/Shouting.APP/Contents/Info.plist"_s, plist(""));
        write(first + u"/Nested/Inner.app/Contents/Info.plist"_s, plist(""));
        write(second + u"/Zeta.app/Contents/Info.plist"_s,
              plist("<key>CFBundleIdentifier</key><string>com.z</string><key>CFBundleName</"
                    "key><string>Alpha</string>"));

        const AppBundleFolders folders({ first, root.filePath(u"missing"_s), second });
        const auto apps = folders.loadApps();
        QStringList seen;
        for (const auto& app : apps) {
            seen.append(app.name + u'|' + app.id + u'|' + app.path.mid(root.path().size()));
        }
        QCOMPARE(seen,
                 (QStringList {
                     u"Alpha|com.z|/Applications/Zeta.app"_s,
                     u"Alpha|com.z|/Utilities/Zeta.app"_s,
                     u"Beta|%1/Applications/Display.app|/Applications/Display.app"_s.arg(root.path()),
                     u"Broken|%1/Applications/Broken.app|/Applications/Broken.app"_s.arg(root.path()),
                     u"NotADir|%1/Applications/NotADir.app|/Applications/NotADir.app"_s.arg(root.path()),
                     u"Plain|%1/Applications/Plain.app|/Applications/Plain.app"_s.arg(root.path()),
                 }));
        QVERIFY(!apps[2].bundleId);
    }

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
