#pragma once

#include "Platform/AdminRunner.h"

#include <QByteArray>
#include <QStringList>

#include <chrono>

// Runs the script through polkit: `pkexec /bin/bash -s` with the script on standard input.
//
// The script never goes through a file: a file in the user's temporary folder could be swapped
// by that same user while the administrator is still reading the prompt, and would then run as
// root. pkexec answers 126 when the prompt was dismissed and 127 when the user is not
// authorised or no authentication agent runs; both are failures like any other non-zero status.
// A prompt nobody answers ends after the time-out (pkexec is killed).
//
// While it waits the runner spins a local event loop, so windows keep painting; callers treat
// it as modal.
class PkexecAdminRunner final : public AdminRunner
{
public:
    static constexpr std::chrono::milliseconds defaultTimeout { std::chrono::minutes(3) };

    explicit PkexecAdminRunner(std::chrono::milliseconds timeout = defaultTimeout);
    // For tests: any program that reads a script on standard input in place of pkexec.
    PkexecAdminRunner(QString program, QStringList arguments, std::chrono::milliseconds timeout);

    bool run(const QString& script) override;

    // The bytes written to bash: the script inside a brace group, so that bash parses all of it
    // before running any line and no command inside can consume the rest of the script as its
    // own input.
    static QByteArray standardInput(const QString& script);

private:
    QString m_program;
    QStringList m_arguments;
    std::chrono::milliseconds m_timeout;
};
