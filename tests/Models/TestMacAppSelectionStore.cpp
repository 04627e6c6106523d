#include "Models/MacAppSelectionStore.h"
#include "support/MemoryUserDefaults.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const MacSelectionPayload kStored { { u"com.a"_s }, { u"Game"_s }, { u"/Applications/X.app"_s }, u"mac"_s };

QList<MacAppItem> catalogue()
{
    return {
        { u"com.example.Chess"_s, u"com.example.Chess"_s, u"chess"_s, u"/Applications/Chess.app"_s },
        { u"/Applications/Tool.app"_s, std::nullopt, u"Mixed Tool"_s, u"/Applications/Tool.app"_s },
        { u"org.web.browser"_s, u"org.web.browser"_s, u"浏览器"_s, u"/usr/share/applications/b.desktop"_s },
    };
}
} // namespace

class TestMacAppSelectionStore : public QObject
{
    Q_OBJECT

private slots:
    void loadAcceptsOnlyCompleteDocuments_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("taken");
        QTest::newRow("complete") << QVariant(kStored.toJson()) << true;
        QTest::newRow("without processes")
            << QVariant("{\"bundleIds\":[\"a\"],\"paths\":[],\"source\":\"mac\"}"_ba) << false;
        QTest::newRow("not JSON") << QVariant("{bundleIds"_ba) << false;
        QTest::newRow("stored as text, not data") << QVariant(QString::fromUtf8(kStored.toJson())) << false;
    }

    void loadAcceptsOnlyCompleteDocuments()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, taken);
        MemoryUserDefaults defaults;
        defaults.setObject(MacAppSelectionStore::storageKey, stored);
        MacAppSelectionStore store(defaults);
        QSignalSpy changed(&store, &MacAppSelectionStore::payloadChanged);
        store.load();
        QCOMPARE(store.payload(), taken ? kStored : MacSelectionPayload {});
        QCOMPARE(changed.size(), taken ? 1 : 0);
    }

    void selectionPayloadListsOnlyNonEmpty()
    {
        MemoryUserDefaults defaults;
        MacAppSelectionStore store(defaults);
        QCOMPARE(store.toSelectionPayload(), (QVariantMap { { u"source"_s, u"mac"_s } }));
        store.setPayload({ { u"com.a"_s }, {}, {}, u"other"_s });
        QCOMPARE(store.toSelectionPayload(),
                 (QVariantMap { { u"source"_s, u"mac"_s }, { u"bundleIds"_s, QStringList { u"com.a"_s } } }));
    }

    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("empty text lists all")
            << QString()
            << QStringList { u"com.example.Chess"_s, u"/Applications/Tool.app"_s, u"org.web.browser"_s };
        QTest::newRow("capitals find lower-case name")
            << u"CHESS"_s << QStringList { u"com.example.Chess"_s };
        QTest::newRow("part of identifier") << u"WEB.BRO"_s << QStringList { u"org.web.browser"_s };
        QTest::newRow("not trimmed") << u" chess"_s << QStringList {};
        QTest::newRow("path is not searched") << u"applications"_s << QStringList {};
    }

    void search()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, ids);
        QStringList found;
        for (const auto& item : MacAppSelectionStore::filteredApps(catalogue(), text)) {
            found.append(item.id);
        }
        QCOMPARE(found, ids);
    }

    void saveSplitsTicks()
    {
        MemoryUserDefaults defaults;
        MacAppSelectionStore store(defaults);
        store.setPayload(kStored);
        QCOMPARE(store.initialTicks(), (QStringList { u"com.a"_s, u"/Applications/X.app"_s }));
        store.saveSelection({ u"/Applications/Tool.app"_s, u"org.web.browser"_s, u"com.b"_s });
        const MacSelectionPayload expected {
            { u"org.web.browser"_s, u"com.b"_s }, { u"Game"_s }, { u"/Applications/Tool.app"_s }, u"mac"_s
        };
        QCOMPARE(store.payload(), expected);
        MacAppSelectionStore reloaded(defaults);
        reloaded.load();
        QCOMPARE(reloaded.payload(), expected);

        store.setPayload({});
        store.saveSelection({});
        QVERIFY(!store.hasSelection());
    }
};

QTEST_GUILESS_MAIN(TestMacAppSelectionStore)
#include "TestMacAppSelectionStore.moc"
