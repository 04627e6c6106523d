#pragma once

#include "Models/ScreenTimePolicy.h"
#include "Protocol/DeviceRecords.h"
#include "Services/ViewModelSupport.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class RemoteAPIClient;
class RemoteBackendConfig;

// The rule editor of one child device: loads its remote policy, edits the daily limit, the
// nightly blocked period and the immediate lock, saves, copies to the other children and removes
// the device. The eye-rest values are not edited here and always read 45 and 15.
class MacChildRuleSettingsViewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY changed)
    Q_PROPERTY(bool isSaving READ isSaving NOTIFY changed)

public:
    MacChildRuleSettingsViewModel(DeviceListItem device, RemoteBackendConfig& config,
                                  QObject* parent = nullptr);
    ~MacChildRuleSettingsViewModel() override;

    DeviceListItem device() const { return m_device; }
    ScreenTimePolicy workingPolicy() const { return m_workingPolicy; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    bool isSaving() const { return m_isSaving; }
    std::optional<QString> healthSummary() const { return m_healthSummary; }
    QString title() const;

    void setDailyLimitMinutes(qint64 minutes)
    {
        ViewModelSupport::setAndNotify(this, m_workingPolicy.dailyLimitMinutes, minutes,
                                       &MacChildRuleSettingsViewModel::changed);
    }
    // The field's text as typed: a whole number of minutes within a day is taken; anything else
    // keeps the last good value, sets `dailyLimitError` and holds saving back until corrected.
    void setDailyLimitText(const QString& text);
    std::optional<QString> dailyLimitError() const { return m_dailyLimitError; }
    bool canSave() const { return !m_isSaving && !m_dailyLimitError; }
    static constexpr qint64 maxDailyLimitMinutes = 1440;
    void setBlockedStart(const DateComponents& components)
    {
        ViewModelSupport::setAndNotify(this, m_workingPolicy.blockedStart, components,
                                       &MacChildRuleSettingsViewModel::changed);
    }
    void setBlockedEnd(const DateComponents& components)
    {
        ViewModelSupport::setAndNotify(this, m_workingPolicy.blockedEnd, components,
                                       &MacChildRuleSettingsViewModel::changed);
    }
    // Switching the immediate lock on also ends a temporary unlock the child still has: the
    // child's lock decision lets a running unlock override the lock, so without this a parent
    // who locks again after approving extra time would see the switch on and the child free.
    void setForceLocked(bool locked);

    // The screen comes up: this child becomes the selected one, then its policy and its health
    // are read. Going away clears the selection unless another child took it meanwhile.
    // The end of a temporary unlock the child has now (a parent approved extra time), if any. It
    // outranks every rule, the immediate lock included, until it ends.
    std::optional<QDateTime> runningUnlockUntil() const;
    std::optional<QString> runningUnlockText() const;
    // Takes the granted time back at once; the sheet stays open.
    QCoro::Task<> endTemporaryUnlock();

    QCoro::Task<> appear();
    void disappear();

    QCoro::Task<> load();
    QCoro::Task<> loadHealthSnapshot();
    QCoro::Task<> save();
    QCoro::Task<> applyToOtherChildren();
    QCoro::Task<> deleteChild();

    // The time editor's menus: hours 0…23, minutes on the quarter hour. A minute the menu does
    // not offer (loaded from the server) selects no entry, and the value is kept.
    static QList<int> hourChoices();
    static QList<int> minuteChoices();
    static int hourIndex(const DateComponents& components);
    static int minuteIndex(const DateComponents& components);
    static DateComponents withHour(DateComponents components, int hour);
    static DateComponents withMinute(DateComponents components, int minute);

    // The working policy before anything is loaded.
    static ScreenTimePolicy initialPolicy();

signals:
    void changed();
    // Closes the sheet: after a successful save or delete ("完成" is the view's own).
    void dismissRequested();

private:
    void setError(std::optional<QString> message)
    {
        ViewModelSupport::setAndNotify(this, m_errorMessage, std::move(message),
                                       &MacChildRuleSettingsViewModel::changed);
    }
    // Sends the working policy; false with `errorMessage` set when it was not stored.
    QCoro::Task<bool> upload();
    void setLoading(bool loading)
    {
        ViewModelSupport::setAndNotify(this, m_isLoading, loading, &MacChildRuleSettingsViewModel::changed);
    }
    void setSaving(bool saving)
    {
        ViewModelSupport::setAndNotify(this, m_isSaving, saving, &MacChildRuleSettingsViewModel::changed);
    }
    static ViewModelSupport::BusyDisplay<MacChildRuleSettingsViewModel> savingDisplay()
    {
        return { &MacChildRuleSettingsViewModel::setSaving, &MacChildRuleSettingsViewModel::setError };
    }
    // The happy paths of `load`, `upload` and `applyToOtherChildren`; what they throw becomes the
    // message line.
    QCoro::Task<> loadWith(const RemoteAPIClient& client);
    QCoro::Task<> uploadWith(const RemoteAPIClient& client);
    QCoro::Task<> applyToOtherChildrenWith(const RemoteAPIClient& client, QString familyCode);

    const DeviceListItem m_device;
    RemoteBackendConfig& m_config;
    ScreenTimePolicy m_workingPolicy = initialPolicy();
    bool m_isLoading = true;
    std::optional<QString> m_errorMessage;
    bool m_isSaving = false;
    std::optional<QString> m_healthSummary;
    std::optional<QString> m_dailyLimitError;
};
