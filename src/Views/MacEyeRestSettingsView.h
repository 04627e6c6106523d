#pragma once

#include "Services/MacEyeRestSettingsViewModel.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// The parent's eye-rest sheet on a child computer: on or off, the minutes of use before a break
// and the break's length, saved only with the parent password.
class MacEyeRestSettingsView final : public QDialog
{
    Q_OBJECT

public:
    MacEyeRestSettingsView(ScreenTimePolicyStore& policyStore, ParentalPasswordStore& passwordStore,
                           QWidget* parent = nullptr);

public slots:
    void save();

private:
    MacEyeRestSettingsViewModel m_model;
    QCheckBox* m_enabled = nullptr;
    QSpinBox* m_interval = nullptr;
    QSpinBox* m_rest = nullptr;
    QLineEdit* m_password = nullptr;
    QLabel* m_error = nullptr;
};
