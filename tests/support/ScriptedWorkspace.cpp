#include "support/ScriptedWorkspace.h"

ScriptedWorkspace::ScriptedWorkspace(Install install)
    : m_installed(install == Install::AsShared)
{
    if (m_installed) {
        ProcessShield::setShared(&processes);
    }
}

ScriptedWorkspace::~ScriptedWorkspace()
{
    if (m_installed) {
        ProcessShield::setShared(nullptr);
    }
}

std::optional<RunningApplication> ScriptedWorkspace::frontmostApplication()
{
    ++frontmostQueries;
    return frontmost;
}

bool ScriptedWorkspace::hide(const RunningApplication& application)
{
    hidden.append(application);
    return true;
}

RunningApplication ScriptedWorkspace::app(const QString& bundleId, const QString& name, const QString& path,
                                          qint64 pid, bool regular)
{
    RunningApplication result;
    if (!bundleId.isEmpty()) {
        result.bundleIdentifier = bundleId;
    }
    if (!name.isEmpty()) {
        result.localizedName = name;
    }
    if (!path.isEmpty()) {
        result.executablePath = path;
    }
    result.processIdentifier = pid;
    result.isRegular = regular;
    return result;
}
