#include "support/ScriptedAlertPresenter.h"

AlertPresenter::Answer ScriptedAlertPresenter::runModal(const Alert& alert)
{
    m_shown.append(alert);
    if (m_answers.isEmpty()) {
        return {};
    }
    return m_answers.takeFirst();
}

void ScriptedAlertPresenter::setNextAnswer(int button, const QString& fieldText)
{
    m_answers.append({ button, fieldText });
}
