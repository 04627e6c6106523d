#include "Services/MacAboutViewModel.h"
#include "support/AwaitTask.h"
#include "support/FixedAppBundle.h"
#include "support/ParentFamilyFixture.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PublicAppDisplayInfo)

// The about screen's version and the vendor's lines, from the real server's display information.
class TestMacAboutViewModel : public QObject
{
    Q_OBJECT

private slots:

    void lines_data()
    {
        QTest::addColumn<PublicAppDisplayInfo>("info");
        QTest::addColumn<QString>("expected");

        PublicAppDisplayInfo full;
        full.contactInfo
            = PublicContactInfo { u"help@vantorel.com"_s, u"400-000-0000"_s, u"vantorel"_s, u"北京"_s };
        full.legalInfo
            = PublicLegalInfo { u"岚哨"_s, u"© 2026 岚哨"_s, u"2026SR0001"_s, u"京ICP备00000000号"_s, {},
                                {},        u"岚哨工作室"_s };
        QTest::newRow("both parts")
            << full
            << u"邮箱 help@vantorel.com\n电话 400-000-0000\n微信 vantorel\n运营者 岚哨工作室\n"
               "© 2026 岚哨\nICP 京ICP备00000000号"_s;

        PublicAppDisplayInfo sparseContact;
        sparseContact.contactInfo = PublicContactInfo { u""_s, {}, u""_s, {} };
        QTest::newRow("contact without WeChat")
            << sparseContact << u"微信 "_s + MacAboutViewModel::defaultWeChatID;

        PublicAppDisplayInfo legalOnly;
        legalOnly.legalInfo = PublicLegalInfo { u"岚哨"_s, {}, {}, u"沪ICP备1号"_s, {}, {}, u""_s };
        QTest::newRow("legal part with ICP only") << legalOnly << u"ICP 沪ICP备1号"_s;
    }

    void lines()
    {
        QFETCH(PublicAppDisplayInfo, info);
        QFETCH(QString, expected);

        LoopbackFamilyServer::Setup setup;
        setup.displayInfo = info;
        ParentFamilyFixture family(setup);
        QVERIFY2(family.start(), qPrintable(family.errorString()));
        MacAboutViewModel about(*family.config, m_bundle);
        AwaitTask::run(about.load());
        QCOMPARE(about.apiDetail(), expected);
    }

    void versionString()
    {
        FixedAppBundle bundle(u"57"_s);
        QCOMPARE(MacAboutViewModel::versionString(bundle), u"1.0.0 (57)"_s);
        bundle.setBuildNumber(std::nullopt);
        QCOMPARE(MacAboutViewModel::versionString(bundle), u"1.0.0 (—)"_s);
        bundle.setShortVersion(QString());
        bundle.setBuildNumber(u"58"_s);
        QCOMPARE(MacAboutViewModel::versionString(bundle), u"— (58)"_s);
    }

    void failureKeepsTheLines()
    {
        LoopbackFamilyServer::Setup setup;
        setup.displayInfo.legalInfo = PublicLegalInfo { {}, u"© 岚哨"_s, {}, {}, {}, {}, {} };
        ParentFamilyFixture family(setup);
        QVERIFY2(family.start(), qPrintable(family.errorString()));
        MacAboutViewModel about(*family.config, m_bundle);
        AwaitTask::run(about.load());
        QCOMPARE(about.apiDetail(), u"© 岚哨"_s);
        family.session.setFault([](auto, const QUrl&) { return true; });
        AwaitTask::run(about.load());
        QCOMPARE(about.apiDetail(), u"© 岚哨"_s);
    }

private:
    FixedAppBundle m_bundle;
};

QTEST_GUILESS_MAIN(TestMacAboutViewModel)
#include "TestMacAboutViewModel.moc"
