#pragma once

#include <QDialog>

class QLineEdit;
class MacBackendURLSettingsViewModel;
class RemoteBackendConfig;

// The sheet where the family server's address is changed or reset to the built-in one.
class MacBackendURLSettingsView final : public QDialog
{
    Q_OBJECT

public:
    explicit MacBackendURLSettingsView(RemoteBackendConfig& config, QWidget* parent = nullptr);
    ~MacBackendURLSettingsView() override;

    MacBackendURLSettingsViewModel& model() const { return *m_model; }

signals:
    void dismissRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    MacBackendURLSettingsViewModel* m_model;
    QLineEdit* m_field;
};
