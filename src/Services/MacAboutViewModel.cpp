#include "Services/MacAboutViewModel.h"

#include "Models/L10n.h"
#include "Platform/AppBundle.h"
#include "Services/Network/RemoteAPIClient.h"

#include <QPointer>

using namespace Qt::StringLiterals;

MacAboutViewModel::MacAboutViewModel(RemoteBackendConfig& config, const AppBundle& bundle, QObject* parent)
    : QObject(parent)
    , m_config(config)
    , m_bundle(bundle)
{
}

QString MacAboutViewModel::versionString(const AppBundle& bundle)
{
    const QString dash = u"—"_s;
    const QString shortVersion = bundle.shortVersion();
    const auto build = bundle.buildNumber();
    return (shortVersion.isEmpty() ? dash : shortVersion) + u" ("_s + build.value_or(dash) + u")"_s;
}

QString MacAboutViewModel::versionLine() const
{
    return L10n::format(L10n::localized("%@ %@"), { L10n::localized("版本"), versionString(m_bundle) });
}

QString MacAboutViewModel::detailLines(const PublicAppDisplayInfo& info)
{
    QStringList lines;
    const auto nonEmpty = [](const std::optional<QString>& text) { return text && !text->isEmpty(); };
    if (const auto& contact = info.contactInfo) {
        if (nonEmpty(contact->email)) {
            lines.append(L10n::localized("邮箱") + u" "_s + *contact->email);
        }
        if (nonEmpty(contact->phone)) {
            lines.append(L10n::localized("电话") + u" "_s + *contact->phone);
        }
        lines.append(L10n::localized("微信") + u" "_s
                     + (nonEmpty(contact->wechat) ? *contact->wechat : defaultWeChatID));
    }
    if (const auto& legal = info.legalInfo) {
        if (nonEmpty(legal->operatorName)) {
            lines.append(L10n::localized("运营者") + u" "_s + *legal->operatorName);
        }
        if (nonEmpty(legal->copyrightNotice)) {
            lines.append(*legal->copyrightNotice);
        }
        if (nonEmpty(legal->icpNo)) {
            lines.append(u"ICP "_s + *legal->icpNo);
        }
    }
    return lines.join(u'\n');
}

QCoro::Task<> MacAboutViewModel::load()
{
    const auto client = RemoteAPIClient::make(m_config);
    if (!client) {
        co_return;
    }
    QPointer<MacAboutViewModel> self(this);
    try {
        auto task = client->fetchPublicAppDisplayInfo();
        const auto info = co_await task;
        if (self) {
            m_apiDetail = detailLines(info);
            emit changed();
        }
    } catch (const std::exception&) {
        // Without the server the screen shows the version alone.
    }
}
