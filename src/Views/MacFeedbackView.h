#pragma once

#include <QDialog>

class QPlainTextEdit;
class QLineEdit;
class QPushButton;
class QButtonGroup;
class MacFeedbackViewModel;
class AlertPresenter;
class AppBundle;
class RemoteBackendConfig;

// The feedback form. Its alerts go through `alerts`.
class MacFeedbackView final : public QDialog
{
    Q_OBJECT

public:
    MacFeedbackView(RemoteBackendConfig& config, const AppBundle& bundle, AlertPresenter& alerts,
                    QWidget* parent = nullptr);
    ~MacFeedbackView() override;

    MacFeedbackViewModel& model() const { return *m_model; }

signals:
    // "完成", or shortly after the feedback was received.
    void dismissRequested();

private:
    void render();
    void showAlert();

    AlertPresenter& m_alerts;
    MacFeedbackViewModel* m_model;
    QButtonGroup* m_category;
    QPlainTextEdit* m_content;
    QLineEdit* m_contact;
    QPushButton* m_submit;
    bool m_alertScheduled = false;
};
