#pragma once

#include "Services/ViewModelSupport.h"

#include <QObject>
#include <QString>

class RemoteBackendConfig;

// The backend address screen. It accepts any text: an unusable address shows up later in the
// screens that need a client.
class MacBackendURLSettingsViewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString draft READ draft WRITE setDraft NOTIFY draftChanged)

public:
    explicit MacBackendURLSettingsViewModel(RemoteBackendConfig& config, QObject* parent = nullptr);

    QString draft() const { return m_draft; }
    void setDraft(const QString& draft)
    {
        ViewModelSupport::setAndNotify(this, m_draft, draft, &MacBackendURLSettingsViewModel::draftChanged);
    }

    // On screen: the draft starts as the effective address.
    void appear();
    // "保存地址": stores the draft without surrounding white space and slashes.
    void save();
    // "恢复默认": back to the built-in address.
    void restoreDefault();

    static QString normalized(const QString& draft);

signals:
    void draftChanged();
    void dismissRequested();

private:
    RemoteBackendConfig& m_config;
    QString m_draft;
};
