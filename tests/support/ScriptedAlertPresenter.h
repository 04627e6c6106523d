#pragma once

#include "Views/AlertPresenter.h"

#include <QList>

// Answers alerts from a queue that the test fills beforehand (setNextAnswer), and records every
// alert it was shown. An alert without a queued answer is closed without a button.
class ScriptedAlertPresenter final : public AlertPresenter
{
public:
    ScriptedAlertPresenter() = default;
    Q_DISABLE_COPY_MOVE(ScriptedAlertPresenter)

    Answer runModal(const Alert& alert) override;

    void setNextAnswer(int button, const QString& fieldText = QString());
    QList<Alert> shown() const { return m_shown; }

private:
    QList<Answer> m_answers;
    QList<Alert> m_shown;
};
