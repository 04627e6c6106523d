#pragma once

#include "Services/ViewModelSupport.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

class AppBundle;
class RemoteBackendConfig;

// The feedback form: a category, the text and an optional contact, sent to the family server.
class MacFeedbackViewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString category READ category WRITE setCategory NOTIFY changed)
    Q_PROPERTY(QString content READ content WRITE setContent NOTIFY changed)
    Q_PROPERTY(QString contact READ contact WRITE setContact NOTIFY changed)
    Q_PROPERTY(bool isSubmitting READ isSubmitting NOTIFY changed)

public:
    MacFeedbackViewModel(RemoteBackendConfig& config, const AppBundle& bundle, QObject* parent = nullptr);

    QString category() const { return m_category; }
    QString content() const { return m_content; }
    QString contact() const { return m_contact; }
    bool isSubmitting() const { return m_isSubmitting; }
    std::optional<QString> alertMessage() const { return m_alertMessage; }
    void setCategory(const QString& category)
    {
        ViewModelSupport::setAndNotify(this, m_category, category, &MacFeedbackViewModel::changed);
    }
    void setContent(const QString& content)
    {
        ViewModelSupport::setAndNotify(this, m_content, content, &MacFeedbackViewModel::changed);
    }
    void setContact(const QString& contact)
    {
        ViewModelSupport::setAndNotify(this, m_contact, contact, &MacFeedbackViewModel::changed);
    }
    // "好的" on the alert.
    void clearAlert();

    // Text to send, and no submission running.
    bool canSubmit() const;
    QCoro::Task<> submit();

    // The application's short version, or nothing when the bundle has none.
    QString appVersion() const;
    static QString osVersion();

    // How long the thank-you stays before the form closes itself; tests shorten it.
    void setDismissDelay(std::chrono::milliseconds delay) { m_dismissDelay = delay; }

signals:
    void changed();
    void dismissRequested();

private:
    RemoteBackendConfig& m_config;
    const AppBundle& m_bundle;
    QString m_category = QStringLiteral("bug");
    QString m_content;
    QString m_contact;
    bool m_isSubmitting = false;
    std::optional<QString> m_alertMessage;
    std::chrono::milliseconds m_dismissDelay { 800 };
};
