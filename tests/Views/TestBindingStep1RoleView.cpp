#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/BindingViewModel.h"
#include "Views/Binding/BindingStep1RoleView.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"

#include <QAccessible>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

// The role buttons answer a mouse click and the toggle action of assistive technology alike.
class TestBindingStep1RoleView : public QObject
{
    Q_OBJECT

private slots:
    void choosingARole_data()
    {
        QTest::addColumn<RemoteDeviceRole>("stored");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("byToggleAction");
        QTest::addColumn<RemoteDeviceRole>("expected");
        QTest::newRow("toggle action picks parent")
            << RemoteDeviceRole::unknown << u"roleParentButton"_s << true << RemoteDeviceRole::parent;
        QTest::newRow("toggle action switches to child")
            << RemoteDeviceRole::parent << u"roleChildButton"_s << true << RemoteDeviceRole::child;
        QTest::newRow("click picks child")
            << RemoteDeviceRole::unknown << u"roleChildButton"_s << false << RemoteDeviceRole::child;
        QTest::newRow("click on the chosen role keeps it")
            << RemoteDeviceRole::child << u"roleChildButton"_s << false << RemoteDeviceRole::child;
        QTest::newRow("toggle action on the chosen role keeps it")
            << RemoteDeviceRole::parent << u"roleParentButton"_s << true << RemoteDeviceRole::parent;
    }

    void choosingARole()
    {
        QFETCH(RemoteDeviceRole, stored);
        QFETCH(QString, button);
        QFETCH(bool, byToggleAction);
        QFETCH(RemoteDeviceRole, expected);
        MemoryUserDefaults defaults;
        MemorySecureStore keychain;
        RemoteBackendConfig config(defaults);
        config.setRole(stored);
        ParentalPasswordStore passwords(std::make_unique<ParentalPasswordRepository>());
        BindingViewModel model;
        BindingStep1RoleView view({ model, config, passwords });
        view.show();

        auto* pressed = view.findChild<QPushButton*>(button);
        QVERIFY(pressed);
        if (byToggleAction) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(pressed);
            QVERIFY(accessible && accessible->actionInterface());
            QVERIFY(accessible->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::toggleAction()));
            accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        } else {
            QTest::mouseClick(pressed, Qt::LeftButton);
        }
        QCOMPARE(config.role(), expected);
        if (stored != expected) {
            QCOMPARE(model.isParent, expected == RemoteDeviceRole::parent);
        }
        QCOMPARE(view.findChild<QPushButton*>(u"roleParentButton"_s)->isChecked(),
                 expected == RemoteDeviceRole::parent);
        QCOMPARE(view.findChild<QPushButton*>(u"roleChildButton"_s)->isChecked(),
                 expected == RemoteDeviceRole::child);
    }
};

QTEST_MAIN(TestBindingStep1RoleView)
#include "TestBindingStep1RoleView.moc"
