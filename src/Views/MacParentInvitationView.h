#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class MacParentInvitationViewModel;
class RemoteBackendConfig;

// The sheet that shows a one-time invitation for another parent computer, with a copy button;
// a code is asked for as soon as the sheet appears.
class MacParentInvitationView final : public QDialog
{
    Q_OBJECT

public:
    explicit MacParentInvitationView(RemoteBackendConfig& config, QWidget* parent = nullptr);
    ~MacParentInvitationView() override;

    MacParentInvitationViewModel& model() const { return *m_model; }

signals:
    void dismissRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    MacParentInvitationViewModel* m_model;
    QLabel* m_code;
    QLabel* m_expiry;
    QLabel* m_error;
    QPushButton* m_copy;
    QPushButton* m_renew;
    bool m_asked = false;
};
