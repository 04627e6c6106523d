#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Views/MacVerifyPasswordView.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestMacVerifyPasswordView : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_defaults = std::make_unique<MemoryUserDefaults>();
        m_keychain = std::make_unique<MemorySecureStore>();
        m_store = std::make_unique<ParentalPasswordStore>(std::make_unique<ParentalPasswordRepository>());
        m_store->setupPassword(u"爸爸的密码"_s);
        m_verified = 0;
        m_view = std::make_unique<MacVerifyPasswordView>(*m_store, [this] { ++m_verified; });
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    void cleanup()
    {
        m_view.reset();
        m_store.reset();
        m_keychain.reset();
        m_defaults.reset();
    }

    void keysAndMissingPassword_data()
    {
        QTest::addColumn<bool>("passwordSet");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("verified");
        QTest::addColumn<bool>("stillOpen");
        QTest::addColumn<QString>("error");
        QTest::newRow("Return confirms")
            << true << u"爸爸的密码"_s << int(Qt::Key_Return) << 1 << true << u""_s;
        QTest::newRow("Return with a wrong one says so")
            << true << u"wrong"_s << int(Qt::Key_Return) << 0 << true << u"密码错误，请重试"_s;
        QTest::newRow("Esc cancels") << true << u"爸爸的密码"_s << int(Qt::Key_Escape) << 0 << false << u""_s;
        QTest::newRow("no password here: says where to set one")
            << false << u"1234"_s << int(Qt::Key_Return) << 0 << true
            << u"本机还没有设置家长密码，无法用密码解锁。请家长在首页点击“设置家长密码”设置后再用。"_s;
    }

    void keysAndMissingPassword()
    {
        QFETCH(bool, passwordSet);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(int, verified);
        QFETCH(bool, stillOpen);
        QFETCH(QString, error);
        if (!passwordSet) {
            m_keychain->clear();
            m_defaults->clear();
            m_view = std::make_unique<MacVerifyPasswordView>(*m_store, [this] { ++m_verified; });
            m_view->show();
            QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        }
        QVERIFY(m_view->findChild<QPushButton*>(u"cancel"_s)->isVisible());
        field()->setFocus();
        field()->setText(typed); // typed keys are ASCII only in QTest
        QTest::keyClick(field(), Qt::Key(key));
        QCOMPARE(m_verified, verified);
        QCOMPARE(m_view->isVisible(), stillOpen);
        QCOMPARE(m_view->errorMessage(), error);
    }

private:
    QLineEdit* field() const { return m_view->findChild<QLineEdit*>(u"password"_s); }
    QPushButton* confirmButton() const { return m_view->findChild<QPushButton*>(u"confirm"_s); }

    std::unique_ptr<MemoryUserDefaults> m_defaults;
    std::unique_ptr<MemorySecureStore> m_keychain;
    std::unique_ptr<ParentalPasswordStore> m_store;
    std::unique_ptr<MacVerifyPasswordView> m_view;
    int m_verified = 0;
};

QTEST_MAIN(TestMacVerifyPasswordView)
#include "TestMacVerifyPasswordView.moc"
