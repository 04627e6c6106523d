#pragma once

#include "Models/DateComponents.h"
#include "Protocol/DeviceRecords.h"

#include <QDialog>

#include <functional>

class AlertPresenter;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class MacChildRuleSettingsViewModel;
class RemoteBackendConfig;

// The sheet that edits one child's remote rules. It selects the child while it is on screen.
class MacChildRuleSettingsView final : public QDialog
{
    Q_OBJECT

public:
    MacChildRuleSettingsView(DeviceListItem device, RemoteBackendConfig& config, AlertPresenter& alerts,
                             QWidget* parent = nullptr);
    ~MacChildRuleSettingsView() override;

    MacChildRuleSettingsViewModel& model() const { return *m_model; }

signals:
    // "完成", a successful save or a successful delete: the host closes the sheet.
    void dismissRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct TimeEditor
    {
        QComboBox* hour;
        QComboBox* minute;
    };
    TimeEditor timePicker(const QString& label, int labelWidth, QWidget* parent,
                          std::function<DateComponents()> read, std::function<void(DateComponents)> write);
    void render();
    void confirmDelete();

    AlertPresenter& m_alerts;
    MacChildRuleSettingsViewModel* m_model;
    QStackedWidget* m_stack;
    QLabel* m_error;
    QLabel* m_health;
    QLineEdit* m_dailyLimit;
    TimeEditor m_start {};
    TimeEditor m_end {};
    QLabel* m_dailyLimitError;
    QCheckBox* m_forceLocked;
    QLabel* m_unlockUntil;
    QPushButton* m_endUnlock;
    QPushButton* m_copy;
    QPushButton* m_save;
    bool m_appeared = false;
};
