#include "Views/MacTermsPrivacyConsentView.h"

#include "Models/L10n.h"
#include "Models/NamedTexts.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QUrl legalPage(const QString& path)
{
    QUrl url;
    url.setScheme(u"https"_s);
    url.setHost(MacTermsPrivacyConsentView::legalPagesHost);
    url.setPath(path);
    return url;
}

} // namespace

MacTermsPrivacyConsentView::MacTermsPrivacyConsentView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(u"MacTermsPrivacyConsentView"_s);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    auto* title = new QLabel(L10n::localized("用户协议与隐私政策"), this);
    title->setProperty("role", u"display"_s);
    layout->addWidget(title);
    auto* body = new QLabel(NamedTexts::termsPrivacyBody(), this);
    body->setObjectName(u"body"_s);
    body->setWordWrap(true);
    body->setProperty("role", u"secondary"_s);
    layout->addWidget(body);

    auto* links = new QHBoxLayout;
    auto* terms = new QPushButton(L10n::localized("用户协议"), this);
    terms->setObjectName(u"terms"_s);
    terms->setFlat(true);
    terms->setProperty("role", u"link"_s);
    auto* privacy = new QPushButton(L10n::localized("隐私政策"), this);
    privacy->setObjectName(u"privacy"_s);
    privacy->setFlat(true);
    privacy->setProperty("role", u"link"_s);
    links->addWidget(terms);
    links->addWidget(privacy);
    links->addStretch();
    layout->addLayout(links);
    layout->addStretch();
    auto* agree = new QPushButton(L10n::localized("同意并继续"), this);
    agree->setObjectName(u"agree"_s);
    agree->setDefault(true);
    layout->addWidget(agree, 0, Qt::AlignRight);

    connect(terms, &QPushButton::clicked, this, [] { QDesktopServices::openUrl(userAgreementURL()); });
    connect(privacy, &QPushButton::clicked, this, [] { QDesktopServices::openUrl(privacyPolicyURL()); });
    connect(agree, &QPushButton::clicked, this, &MacTermsPrivacyConsentView::agreed);
}

MacTermsPrivacyConsentView::~MacTermsPrivacyConsentView() = default;

QUrl MacTermsPrivacyConsentView::userAgreementURL()
{
    return legalPage(u"/home/terms.html"_s);
}

QUrl MacTermsPrivacyConsentView::privacyPolicyURL()
{
    return legalPage(u"/home/privacy.html"_s);
}
