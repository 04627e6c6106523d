#include "support/RecordingAdminRunner.h"

RecordingAdminRunner::RecordingAdminRunner()
{
    AdminRunner::setCurrent(this);
}

RecordingAdminRunner::~RecordingAdminRunner()
{
    AdminRunner::setCurrent(nullptr);
}

bool RecordingAdminRunner::run(const QString& script)
{
    m_scripts.append(script);
    if (m_onRun) {
        m_onRun(script);
    }
    return m_result;
}
