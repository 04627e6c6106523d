#pragma once

#include "Platform/AdminRunner.h"

// Runs the script as root through the system's administrator prompt: the script goes to a
// temporary file that `osascript` runs with "do shell script … with administrator privileges"
// (AppleScriptAdminCommand), and the file is deleted whatever the outcome. A dismissed prompt and
// a non-zero status of the script both end osascript with an error, which counts as failure. The
// caller's thread is blocked until the prompt and the script are done, as the prompt is modal.
class AppleScriptAdminRunner final : public AdminRunner
{
public:
    bool run(const QString& script) override;
};
