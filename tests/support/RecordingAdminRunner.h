#pragma once

#include "Platform/AdminRunner.h"

#include <QStringList>

#include <functional>

// Records every script it is asked to run and answers as told, without running anything.
class RecordingAdminRunner final : public AdminRunner
{
public:
    RecordingAdminRunner() = default;
    Q_DISABLE_COPY_MOVE(RecordingAdminRunner)

    bool run(const QString& script) override;

    QStringList scripts() const { return m_scripts; }
    void setResult(bool result) { m_result = result; }
    // Runs inside run(), before the answer: lets a test observe state at the moment of the prompt.
    void setOnRun(std::function<void(const QString&)> onRun) { m_onRun = std::move(onRun); }

private:
    QStringList m_scripts;
    bool m_result = true;
    std::function<void(const QString&)> m_onRun;
};
