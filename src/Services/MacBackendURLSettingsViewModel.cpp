#include "Services/MacBackendURLSettingsViewModel.h"

#include "Models/RemoteBackendConfig.h"

using namespace Qt::StringLiterals;

MacBackendURLSettingsViewModel::MacBackendURLSettingsViewModel(RemoteBackendConfig& config, QObject* parent)
    : QObject(parent)
    , m_config(config)
{
}

void MacBackendURLSettingsViewModel::appear()
{
    setDraft(m_config.baseURLString());
}

QString MacBackendURLSettingsViewModel::normalized(const QString& draft)
{
    const QString trimmed = draft.trimmed();
    qsizetype begin = 0;
    qsizetype end = trimmed.size();
    while (begin < end && trimmed.at(begin) == u'/') {
        ++begin;
    }
    while (end > begin && trimmed.at(end - 1) == u'/') {
        --end;
    }
    return trimmed.mid(begin, end - begin);
}

void MacBackendURLSettingsViewModel::save()
{
    m_config.setBaseURLOverride(normalized(m_draft));
    emit dismissRequested();
}

void MacBackendURLSettingsViewModel::restoreDefault()
{
    m_config.setBaseURLOverride(QString());
    setDraft(RemoteBackendConfig::builtInDefaultBaseURL());
    emit dismissRequested();
}
