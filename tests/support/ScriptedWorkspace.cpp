#include "support/ScriptedWorkspace.h"

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
