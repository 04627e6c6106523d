#pragma once

#include <QUrl>
#include <QWidget>

// Shown over everything before first use; it is left only by agreeing. The two documents open in
// the default browser through QDesktopServices (tests register their own handler for https).
class MacTermsPrivacyConsentView final : public QWidget
{
    Q_OBJECT

public:
    explicit MacTermsPrivacyConsentView(QWidget* parent = nullptr);
    ~MacTermsPrivacyConsentView() override;

    static QUrl userAgreementURL();
    static QUrl privacyPolicyURL();
    // The vendor's web host that serves the legal pages.
    static inline const QString legalPagesHost = QStringLiteral("www.vantorel.com");

signals:
    // "同意并继续": the root screen stores the consent and removes this screen.
    void agreed();
};
