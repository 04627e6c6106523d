#include "Services/MacFeedbackViewModel.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Platform/AppBundle.h"
#include "Protocol/FeedbackRecords.h"
#include "Services/Network/ModelPayloads.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/UserFriendlyMessage.h"

#include <QPointer>
#include <QSysInfo>
#include <QTimer>
#include <qcorotimer.h>

using namespace Qt::StringLiterals;

MacFeedbackViewModel::MacFeedbackViewModel(RemoteBackendConfig& config, const AppBundle& bundle,
                                           QObject* parent)
    : QObject(parent)
    , m_config(config)
    , m_bundle(bundle)
{
}

void MacFeedbackViewModel::clearAlert()
{
    m_alertMessage.reset();
    emit changed();
}

bool MacFeedbackViewModel::canSubmit() const
{
    return !m_isSubmitting && !m_content.trimmed().isEmpty();
}

QString MacFeedbackViewModel::appVersion() const
{
    return m_bundle.shortVersion();
}

QString MacFeedbackViewModel::osVersion()
{
    return QSysInfo::prettyProductName();
}

QCoro::Task<> MacFeedbackViewModel::submit()
{
    const QString text = m_content.trimmed();
    if (text.isEmpty()) {
        co_return;
    }
    const auto client = RemoteAPIClient::make(m_config);
    if (!client) {
        m_alertMessage = L10n::localized("服务地址不合法，无法提交反馈。");
        emit changed();
        co_return;
    }
    QPointer<MacFeedbackViewModel> self(this);
    m_isSubmitting = true;
    emit changed();
    const auto body = feedbackPayload(m_config.role(), m_category, text, m_contact, appVersion(), osVersion(),
                                      m_config.deviceID(), m_config.familyCode());
    std::optional<QString> failure;
    try {
        auto task = client->submitFeedback(body);
        co_await task;
    } catch (const std::exception& error) {
        failure = userFriendlyMessage(error);
    }
    if (!self) {
        co_return;
    }
    if (failure) {
        m_alertMessage = failure;
        m_isSubmitting = false;
        emit changed();
        co_return;
    }
    m_alertMessage = L10n::localized("感谢反馈已收到");
    emit changed();
    QTimer delay;
    delay.setSingleShot(true);
    delay.start(m_dismissDelay);
    co_await qCoro(delay).waitForTimeout();
    if (!self) {
        co_return;
    }
    emit dismissRequested();
    m_isSubmitting = false;
    emit changed();
}
