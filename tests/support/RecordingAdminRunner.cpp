#include "support/RecordingAdminRunner.h"

bool RecordingAdminRunner::run(const QString& script)
{
    m_scripts.append(script);
    if (m_onRun) {
        m_onRun(script);
    }
    return m_result;
}
