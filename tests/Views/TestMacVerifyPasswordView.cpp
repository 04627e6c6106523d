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

    void wrongPasswordShowsTheErrorAndKeepsTheText()
    {
        QTest::keyClicks(field(), u"wrong"_s);
        QTest::mouseClick(confirmButton(), Qt::LeftButton);
        QCOMPARE(m_verified, 0);
        QCOMPARE(m_view->errorMessage(), u"密码错误，请重试"_s);
        QVERIFY(m_view->findChild<QLabel*>(u"errorMessage"_s)->isVisible());
        QCOMPARE(m_view->password(), u"wrong"_s);
    }

    void returnKeyDoesNothing()
    {
        field()->setText(u"爸爸的密码"_s);
        field()->setFocus();
        QTest::keyClick(field(), Qt::Key_Return);
        QTest::keyClick(field(), Qt::Key_Enter);
        QCOMPARE(m_verified, 0);
        QVERIFY(m_view->isVisible());
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
