#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class MacUnlockRequestsViewModel;
class RemoteBackendConfig;

// The sheet in which a parent approves or denies pending unlock requests, of one child
// (`filterDeviceId`) or of the whole family. It loads when it comes on screen.
class MacUnlockRequestsView final : public QDialog
{
    Q_OBJECT

public:
    MacUnlockRequestsView(RemoteBackendConfig& config, std::optional<QString> filterDeviceId,
                          QWidget* parent = nullptr);
    ~MacUnlockRequestsView() override;

    MacUnlockRequestsViewModel& model() const { return *m_model; }

signals:
    // "完成": the host closes the sheet.
    void dismissRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();
    void renderExtendSheet();

    MacUnlockRequestsViewModel* m_model;
    QPushButton* m_refresh;
    QLabel* m_spinner;
    QLabel* m_error;
    QWidget* m_list;
    QVBoxLayout* m_listLayout;
    QDialog* m_extendSheet = nullptr;
    QLineEdit* m_minutesField = nullptr;
    QLabel* m_sheetDevice = nullptr;
    bool m_loadedOnce = false;
};
