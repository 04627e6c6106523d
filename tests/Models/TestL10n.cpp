#include "Models/AppLanguageStore.h"
#include "Models/L10n.h"
#include "support/MemoryUserDefaults.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The fixture language "xx" (tests/fixtures/i18n) translates only "家长密码".
class TestL10n : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void lookup_data()
    {
        QTest::addColumn<QVariant>("override");
        QTest::addColumn<QLocale>("userLocale");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QLocale chinese(QLocale::Chinese, QLocale::China);
        QTest::newRow("override with table")
            << QVariant(u"xx"_s) << chinese << u"家长密码"_s << u"Parent password (xx)"_s;
        QTest::newRow("override table lacks the key")
            << QVariant(u"xx"_s) << chinese << u"未翻译的文字"_s << u"未翻译的文字"_s;
        QTest::newRow("override without table uses the user's language")
            << QVariant(u"fr"_s) << chinese << u"家长密码"_s << u"家长密码"_s;
        QTest::newRow("override names the source language")
            << QVariant(u"zh-Hans"_s) << QLocale(QLocale::English) << u"家长密码"_s << u"家长密码"_s;
        QTest::newRow("override stored as data is none")
            << QVariant(QByteArray("xx")) << chinese << u"家长密码"_s << u"家长密码"_s;
    }

    void lookup()
    {
        QFETCH(QVariant, override);
        QFETCH(QLocale, userLocale);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        MemoryUserDefaults defaults;
        defaults.setObject(L10n::languageKey, override);
        QLocale::setDefault(userLocale);
        QCOMPARE(L10n::localized(key), expected);
    }

    void format_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both kinds in order") << u"%@ 用了 %d 分钟"_s << u"游戏 用了 -3 分钟"_s;
        QTest::newRow("long integer forms") << u"%ld/%lld"_s << u"0/0"_s;
        QTest::newRow("literal percent") << u"100%% %@"_s << u"100% 游戏"_s;
        QTest::newRow("trailing percent") << u"%@ %"_s << u"游戏 %"_s;
        QTest::newRow("unknown directive kept") << u"%x %@"_s << u"%x 游戏"_s;
    }

    void format()
    {
        QFETCH(QString, format);
        QFETCH(QString, expected);
        const bool numeric = format.startsWith(u"%ld"_s);
        const auto text = numeric ? L10n::format(format, { qint64(0), qint64(0) })
                                  : L10n::format(format, { u"游戏"_s, qint64(-3) });
        QCOMPARE(text, expected);
    }

    void storeRemovesStoredEmptyTextAndDerivesLocale()
    {
        MemoryUserDefaults defaults;
        defaults.setString(L10n::languageKey, u""_s);
        const AppLanguageStore store;
        QVERIFY(!store.overrideLanguage());
        QVERIFY(!defaults.contains(L10n::languageKey));
        QCOMPARE(store.effectiveLocale(), QLocale::system());

        defaults.setString(L10n::languageKey, u"en"_s);
        const AppLanguageStore english;
        QCOMPARE(english.overrideLanguage(), u"en"_s);
        QCOMPARE(english.effectiveLocale().language(), QLocale::English);
    }
};

QTEST_GUILESS_MAIN(TestL10n)
#include "TestL10n.moc"
