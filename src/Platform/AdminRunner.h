#pragma once

#include <QString>

// Runs a shell script as root after the system's administrator prompt. Blocks the caller until
// the script has finished, the prompt was dismissed, or the prompt hung too long.
class AdminRunner
{
public:
    virtual ~AdminRunner();

    // True only when the script was run by /bin/bash as root and exited with status 0.
    virtual bool run(const QString& script) = 0;
};
