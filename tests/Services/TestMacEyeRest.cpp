#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Services/MacEyeRest.h"
#include "Services/MacEyeRestSettingsViewModel.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"

#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {
const QDateTime kNow(QDate(2026, 3, 10), QTime(12, 0), QTimeZone::utc());

ScreenTimePolicy daytimePolicy()
{
    ScreenTimePolicy policy; // 45 minutes of use, then 15 minutes of rest
    policy.blockedStart = { 22, 0 };
    policy.blockedEnd = { 6, 0 };
    return policy;
}
} // namespace

// The eye-rest rule itself is tested beside the other lock decisions; here its settings and
// what the child is shown while a break runs.
class TestMacEyeRest : public QObject
{
    Q_OBJECT

private slots:
    // The rhythm stays on this computer; only its parent password changes it.
    void settingsNeedTheParentPassword_data()
    {
        QTest::addColumn<bool>("hasPassword");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<QString>("error");
        QTest::addColumn<qint64>("storedInterval");
        QTest::addColumn<qint64>("storedRest");
        const auto right = u"妈妈的密码"_s;
        QTest::newRow("no password set here")
            << false << right << true << qint64(60)
            << u"本机还没有设置家长密码。请先在「身份 / 基础设置」中设置家长密码，再修改视力保护。"_s
            << qint64(45) << qint64(15);
        QTest::newRow("wrong password")
            << true << u"猜的"_s << true << qint64(60) << u"密码错误，请重试"_s << qint64(45) << qint64(15);
        QTest::newRow("interval out of range")
            << true << right << true << qint64(5)
            << u"连续使用时长须在 10 到 240 分钟之间，休息时长须在 1 到 60 分钟之间。"_s << qint64(45)
            << qint64(15);
        QTest::newRow("new rhythm") << true << right << true << qint64(60) << QString() << qint64(60)
                                    << qint64(10);
        QTest::newRow("switched off")
            << true << right << false << qint64(60) << QString() << qint64(0) << qint64(15);
    }

    void settingsNeedTheParentPassword()
    {
        QFETCH(bool, hasPassword);
        QFETCH(QString, password);
        QFETCH(bool, enabled);
        QFETCH(qint64, interval);
        QFETCH(QString, error);
        QFETCH(qint64, storedInterval);
        QFETCH(qint64, storedRest);
        MemoryUserDefaults defaults;
        MemorySecureStore keychain;
        ParentalPasswordStore passwords(std::make_unique<ParentalPasswordRepository>(), keychain, defaults);
        if (hasPassword) {
            passwords.setupPassword(u"妈妈的密码"_s);
        }
        ScreenTimePolicyStore policies(std::make_unique<ScreenTimePolicyRepository>(
            ScreenTimePolicyRepository::defaultStorageKey(), defaults));
        MacEyeRestSettingsViewModel model(policies, passwords);
        QCOMPARE(model.save(password, enabled, interval, 10).value_or(QString()), error);
        QCOMPARE(policies.policy().eyeRestIntervalMinutes, storedInterval);
        QCOMPARE(policies.policy().eyeRestRestMinutes, storedRest);
    }

    // While a break runs the child sees why and for how long; a minute begun counts as a minute.
    void breakStatus_data()
    {
        QTest::addColumn<qint64>("secondsSinceLastUse");
        QTest::addColumn<QString>("text");
        QTest::newRow("just begun") << qint64(0) << u"视力保护休息中（15 分钟）\n休息还剩 15 分钟"_s;
        QTest::newRow("last seconds")
            << qint64(15 * 60 - 1) << u"视力保护休息中（15 分钟）\n休息还剩 1 分钟"_s;
        QTest::newRow("over") << qint64(15 * 60) << QString();
    }

    void breakStatus()
    {
        QFETCH(qint64, secondsSinceLastUse);
        QFETCH(QString, text);
        MemoryUserDefaults defaults; // the language setting
        const auto policy = daytimePolicy();
        const auto left
            = MacEyeRest::secondsOfBreakLeft(policy, { 45 * 60, kNow.addSecs(-secondsSinceLastUse) }, kNow);
        QCOMPARE(left ? MacEyeRest::breakStatusText(policy, *left) : QString(), text);
    }
};

QTEST_GUILESS_MAIN(TestMacEyeRest)
#include "TestMacEyeRest.moc"
