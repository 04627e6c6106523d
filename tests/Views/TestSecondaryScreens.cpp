#include "Models/L10n.h"
#include "Models/NamedTexts.h"
#include "Models/RemoteBackendConfig.h"
#include "Platform/PlatformDefaults.h"
#include "Services/MacBackendURLSettingsViewModel.h"
#include "Services/MacHelpContent.h"
#include "Services/ParentDashboardViewModel.h"
#include "Views/MacAboutView.h"
#include "Views/MacBackendURLSettingsView.h"
#include "Views/MacHelpView.h"
#include "Views/MacLockCoordinator.h"
#include "Views/MacLockOverlayContent.h"
#include "Views/MacMoreMenuSheet.h"
#include "Views/MacTermsPrivacyConsentView.h"
#include "Views/ParentDashboardView.h"
#include "Views/SymbolIcon.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// Records the pages the consent screen asks the desktop to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// The more menu, help, backend address and consent screens, driven through their widgets, and the
// symbols the screens draw.
class TestSecondaryScreens : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        m_defaults.clear();
        QLocale::setDefault(QLocale::c());
    }

    void moreMenuRows()
    {
        RemoteBackendConfig config(m_defaults, m_keychain, m_network);
        QStringList calls;
        MacMoreMenuSheet::Callbacks callbacks;
        callbacks.onAbout = [&] { calls.append(u"about"_s); };
        MacMoreMenuSheet menu(config, callbacks);
        QStringList titles;
        for (const auto& row : menu.rows()) {
            titles.append(row.title);
        }
        QCOMPARE(titles.size(), 4);
        // A screen reader names each row by its title.
        for (int i = 0; i < titles.size(); ++i) {
            const auto* accessible
                = QAccessible::queryAccessibleInterface(menu.findChild<QPushButton*>(u"row%1"_s.arg(i)));
            QVERIFY(accessible);
            QCOMPARE(accessible->text(QAccessible::Name), titles.at(i));
        }
        // Help and feedback are opened through the whole home screen.
        QTest::mouseClick(menu.findChild<QPushButton*>(u"row3"_s), Qt::LeftButton);
        QCOMPARE(calls, QStringList { u"about"_s });
    }

    void helpTableFollowsTheIntroduction_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("firstTitle");
        QTest::newRow("Chinese") << QString() << u"安装与更新"_s;
        QTest::newRow("English") << u"en"_s << u"Install and updates"_s;
    }

    void helpTableFollowsTheIntroduction()
    {
        QFETCH(QString, language);
        QFETCH(QString, firstTitle);
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        if (!language.isEmpty()) {
            m_defaults.setString(L10n::languageKey, language);
        }
        const auto introduction = MacHelpContent::introduction();
        QCOMPARE(introduction.startsWith(u"Submit"_s), language == u"en"_s);
        QVERIFY(introduction != u"MacHelpBody"_s);

        MacHelpView help;
        const auto blocks = help.findChildren<QWidget*>(u"helpBlock"_s);
        QCOMPARE(blocks.size(), 7);
        const auto labels = blocks.first()->findChildren<QLabel*>();
        QCOMPARE(labels.first()->text(), firstTitle);
        QCOMPARE(help.findChild<QLabel*>(u"introduction"_s)->text(), introduction);
        QCOMPARE(MacHelpContent::blocksFor(u"Submitted"_s).first().title, u"Install and updates"_s);
        QCOMPARE(MacHelpContent::blocksFor(u"submit"_s).first().title, u"安装与更新"_s);
    }

    void backendAddressIsStoredWithoutSurroundings_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("slash and spaces")
            << u" https://family.example.org/ \n"_s << u"https://family.example.org"_s;
        QTest::newRow("empty") << QString() << QString();
    }

    void backendAddressIsStoredWithoutSurroundings()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        RemoteBackendConfig config(m_defaults, m_keychain, m_network);
        config.setBaseURLOverride(u"https://old.example.org"_s);
        MacBackendURLSettingsView view(config);
        QSignalSpy dismissed(&view, &MacBackendURLSettingsView::dismissRequested);
        view.show();
        auto* field = view.findChild<QLineEdit*>(u"draft"_s);
        QCOMPARE(field->text(), u"https://old.example.org"_s);
        // A line break cannot be typed into the field, but it can be pasted.
        field->selectAll();
        field->insert(typed);
        QCOMPARE(view.model().draft(), typed);
        QTest::mouseClick(view.findChild<QPushButton*>(u"save"_s), Qt::LeftButton);
        QCOMPARE(config.baseURLOverride(), stored);
        QCOMPARE(dismissed.count(), 1);
    }

    void restoringTheDefault()
    {
        RemoteBackendConfig config(m_defaults, m_keychain, m_network);
        config.setBaseURLOverride(u"https://old.example.org"_s);
        MacBackendURLSettingsViewModel model(config);
        QSignalSpy dismissed(&model, &MacBackendURLSettingsViewModel::dismissRequested);
        model.appear();
        QCOMPARE(model.draft(), u"https://old.example.org"_s);
        model.restoreDefault();
        QCOMPARE(config.baseURLOverride(), QString());
        QCOMPARE(model.draft(), RemoteBackendConfig::builtInDefaultBaseURL());
        QCOMPARE(dismissed.count(), 1);
    }

    void consentOpensBothPages()
    {
        UrlRecorder recorder;
        QDesktopServices::setUrlHandler(u"https"_s, &recorder, "open");
        MacTermsPrivacyConsentView consent;
        consent.show();
        QCOMPARE(consent.findChild<QLabel*>(u"body"_s)->text(), NamedTexts::termsPrivacyBody());
        QVERIFY(!NamedTexts::termsPrivacyBody().startsWith(u"Terms"_s));
        QTest::mouseClick(consent.findChild<QPushButton*>(u"terms"_s), Qt::LeftButton);
        QTest::mouseClick(consent.findChild<QPushButton*>(u"privacy"_s), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(u"https"_s);
        QCOMPARE(recorder.opened.size(), 2);
        QCOMPARE(recorder.opened.at(0).scheme(), u"https"_s);
        QCOMPARE(recorder.opened.at(0).path(), u"/home/terms.html"_s);
        QCOMPARE(recorder.opened.at(1).path(), u"/home/privacy.html"_s);
        QCOMPARE(recorder.opened.at(0).host(), recorder.opened.at(1).host());
    }

    void screensSpeakOfThisComputerUnclipped_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("language");
        for (const auto& screen : { u"help"_s, u"about"_s, u"consent"_s, u"dashboard"_s, u"lock"_s }) {
            QTest::addRow("%s, Chinese", qPrintable(screen)) << screen << QString();
            QTest::addRow("%s, English", qPrintable(screen)) << screen << u"en"_s;
        }
    }

    void screensSpeakOfThisComputerUnclipped()
    {
        QFETCH(QString, screen);
        QFETCH(QString, language);
        if (!language.isEmpty()) {
            m_defaults.setString(L10n::languageKey, language);
        }
        RemoteBackendConfig config(m_defaults, m_keychain, m_network);
        // No address: the about screen asks no server, and no request outlives the test.
        config.setBaseURLOverride(u"http://[::1"_s);
        ParentDashboardViewModel dashboard(config);
        std::unique_ptr<QWidget> view;
        if (screen == u"help"_s) {
            view = std::make_unique<MacHelpView>();
        } else if (screen == u"about"_s) {
            view = std::make_unique<MacAboutView>(config, PlatformDefaults::appBundle());
        } else if (screen == u"consent"_s) {
            view = std::make_unique<MacTermsPrivacyConsentView>();
        } else if (screen == u"dashboard"_s) {
            view = std::make_unique<ParentDashboardView>(dashboard);
        } else {
            view = std::make_unique<MacLockOverlayContent>(L10n::localized("设备已被家长一键锁定"),
                                                           coordinator, nullptr);
            view->resize(1024, 768);
        }
        view->show();
        QStringList texts;
        for (const auto* label : view->findChildren<QLabel*>()) {
            texts.append(label->text());
        }
        for (const auto* button : view->findChildren<QPushButton*>()) {
            texts.append(button->text());
            QVERIFY2(!button->isVisible() || button->width() >= button->sizeHint().width(),
                     qPrintable(button->text()));
        }
        // This build runs on Linux, and the product has one name per language.
        const QRegularExpression elsewhere(u"\\bMac\\b|应用程序|Applications|Lanshao"_s);
        for (const auto& text : texts) {
            QVERIFY2(!elsewhere.match(text).hasMatch(), qPrintable(text));
        }
    }

    // Every symbol a screen names has a bundled picture that draws something.
    void everyNamedSymbolIsBundledAndDraws_data()
    {
        QTest::addColumn<QString>("symbol");
        // The names the screens use.
        for (const char* name :
             { "lock.shield.fill", "person.2.fill", "figure.stand", "person.2.badge.gearshape",
               "ellipsis.circle", "paperplane", "lock.open", "laptopcomputer.and.iphone", "chevron.right",
               "questionmark.circle", "bubble.left.and.bubble.right", "info.circle" }) {
            QTest::newRow(name) << QString::fromUtf8(name);
        }
    }

    void everyNamedSymbolIsBundledAndDraws()
    {
        QFETCH(QString, symbol);
        QVERIFY(SymbolIcon::knownSymbols().contains(symbol));
        QVERIFY(QFile::exists(SymbolIcon::resourcePath(symbol)));
        const QImage image = SymbolIcon::pixmap(symbol, 32, Qt::red).toImage();
        QCOMPARE(image.size(), QSize(32, 32));
        int painted = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() > 128) {
                    ++painted;
                    // Recoloured, whatever colour the file itself uses.
                    QCOMPARE(pixel.red(), 255);
                    QCOMPARE(pixel.green(), 0);
                }
            }
        }
        QVERIFY2(painted > 20, qPrintable(u"only %1 pixels drawn"_s.arg(painted)));
    }

    void unknownNamesGiveNothing()
    {
        QVERIFY(SymbolIcon::resourcePath(u"no.such.symbol"_s).isEmpty());
        QVERIFY(SymbolIcon::icon(u"no.such.symbol"_s).isNull());
        QVERIFY(SymbolIcon::pixmap(u"no.such.symbol"_s, 16).isNull());
    }

private:
    MemoryUserDefaults m_defaults;
    MemorySecureStore m_keychain;
    QNetworkAccessManager m_network;
    MacLockCoordinator coordinator;
};

QTEST_MAIN(TestSecondaryScreens)
#include "TestSecondaryScreens.moc"
