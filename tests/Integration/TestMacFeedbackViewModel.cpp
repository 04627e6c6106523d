#include "Models/RemoteBackendConfig.h"
#include "Services/MacFeedbackViewModel.h"
#include "support/AwaitTask.h"
#include "support/FixedAppBundle.h"
#include "support/ParentFamilyFixture.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The feedback form against the real family server.
class TestMacFeedbackViewModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_family = std::make_unique<ParentFamilyFixture>();
        QVERIFY2(m_family->start(), qPrintable(m_family->errorString()));
    }

    void cleanup()
    {
        m_family.reset();
    }

    void onlyBlanksSendNothing()
    {
        MacFeedbackViewModel form(*m_family->config, m_bundle);
        QCOMPARE(form.category(), u"bug"_s);
        QVERIFY(!form.canSubmit());
        form.setContent(u"  \n\t \n"_s);
        QVERIFY(!form.canSubmit());
        AwaitTask::run(form.submit());
        QVERIFY(!form.alertMessage());
        QCOMPARE(storedFeedbacks(), 0);
        form.setContent(u" x "_s);
        QVERIFY(form.canSubmit());
    }

    void boundParentSendsItsIdentity()
    {
        MacFeedbackViewModel form(*m_family->config, m_bundle);
        form.setDismissDelay(std::chrono::milliseconds(10));
        QSignalSpy dismissed(&form, &MacFeedbackViewModel::dismissRequested);
        form.setCategory(u"suggestion"_s);
        form.setContent(u"\n 希望能按星期设置规则 \n"_s);
        form.setContact(u"   "_s);
        AwaitTask::run(form.submit());
        QCOMPARE(form.alertMessage(), std::optional(u"感谢反馈已收到"_s));
        QCOMPARE(dismissed.count(), 1);
        QVERIFY(!form.isSubmitting());
        QCOMPARE(storedFeedbacks(), 1);
        QCOMPARE(stored(u"platform"_s).toString(), u"mac_parent"_s);
        QCOMPARE(stored(u"device_id"_s).toString(), m_family->parentID);
        QVERIFY(stored(u"contact"_s).isNull());
    }

    void failuresKeepTheForm()
    {
        MacFeedbackViewModel form(*m_family->config, m_bundle);
        QSignalSpy dismissed(&form, &MacFeedbackViewModel::dismissRequested);
        form.setContent(u"文字"_s);

        m_family->session.setFault([](auto, const QUrl&) { return true; });
        AwaitTask::run(form.submit());
        QVERIFY(form.alertMessage().has_value());
        QVERIFY(*form.alertMessage() != u"感谢反馈已收到"_s);
        QVERIFY(!form.isSubmitting());
        QVERIFY(form.canSubmit());
        QCOMPARE(form.content(), u"文字"_s);

        form.clearAlert();
        m_family->session.setFault({});
        m_family->config->setBaseURLOverride(u"http://exa mple.com"_s);
        AwaitTask::run(form.submit());
        QCOMPARE(form.alertMessage(), std::optional(u"服务地址不合法，无法提交反馈。"_s));
        QCOMPARE(dismissed.count(), 0);
        QCOMPARE(storedFeedbacks(), 0);
    }

private:
    int storedFeedbacks() const
    {
        return m_family->server->queryValue(u"SELECT COUNT(*) FROM feedbacks"_s).toInt();
    }

    QVariant stored(const QString& column) const
    {
        return m_family->server->queryValue(u"SELECT %1 FROM feedbacks"_s.arg(column));
    }

    FixedAppBundle m_bundle;
    std::unique_ptr<ParentFamilyFixture> m_family;
};

QTEST_GUILESS_MAIN(TestMacFeedbackViewModel)
#include "TestMacFeedbackViewModel.moc"
