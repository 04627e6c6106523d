#include "Views/MacParentUnlockNotifier.h"
#include "support/MemoryUserDefaults.h"
#include "support/RecordingNotifications.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestMacParentUnlockNotifier : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_defaults = std::make_unique<MemoryUserDefaults>();
        m_center = std::make_unique<RecordingNotifications>();
    }
    void cleanup()
    {
        m_center.reset();
        m_defaults.reset();
    }

    void everyCallIsANewNotification()
    {
        QCoro::waitFor(MacParentUnlockNotifier::notify(*m_center, 1));
        QCoro::waitFor(MacParentUnlockNotifier::notify(*m_center, 2));
        const auto requests = m_center->requests();
        QCOMPARE(requests.size(), 2);
        QVERIFY(!requests[0].identifier.isEmpty());
        QVERIFY(requests[0].identifier != requests[1].identifier);
    }

    void refusedNotificationsStillReturn()
    {
        m_center->setAllowed(false);
        QCoro::waitFor(MacParentUnlockNotifier::notify(*m_center, 3));
        QCOMPARE(m_center->authorizationRequests(), 1);
        QVERIFY(m_center->requests().isEmpty());
    }

private:
    std::unique_ptr<MemoryUserDefaults> m_defaults;
    std::unique_ptr<RecordingNotifications> m_center;
};

QTEST_GUILESS_MAIN(TestMacParentUnlockNotifier)
#include "TestMacParentUnlockNotifier.moc"
