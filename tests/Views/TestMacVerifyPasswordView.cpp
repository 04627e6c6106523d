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
        MemoryUserDefaults defaults;
        MemorySecureStore keychain;
        ParentalPasswordStore store(std::make_unique<ParentalPasswordRepository>());
        if (passwordSet) {
            store.setupPassword(u"爸爸的密码"_s);
        }
        int verifiedCount = 0;
        MacVerifyPasswordView view(store, [&verifiedCount] { ++verifiedCount; });
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.findChild<QPushButton*>(u"cancel"_s)->isVisible());
        auto* field = view.findChild<QLineEdit*>(u"password"_s);
        field->setFocus();
        field->setText(typed); // typed keys are ASCII only in QTest
        QTest::keyClick(field, Qt::Key(key));
        QCOMPARE(verifiedCount, verified);
        QCOMPARE(view.isVisible(), stillOpen);
        QCOMPARE(view.errorMessage(), error);
    }
};

QTEST_MAIN(TestMacVerifyPasswordView)
#include "TestMacVerifyPasswordView.moc"
