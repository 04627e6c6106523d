#include "Platform/macOS/AppleScriptAdminRunner.h"

#include "Platform/macOS/AppleScriptAdminCommand.h"

#include <QDir>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {
// A prompt nobody answers must not hold the application forever.
constexpr int promptTimeoutMs = 3 * 60 * 1000;
} // namespace

bool AppleScriptAdminRunner::run(const QString& script)
{
    return AppleScriptAdminCommand::runWithTemporaryFile(script, QDir::tempPath(), [](const QString& source) {
        QProcess osascript;
        osascript.setStandardOutputFile(QProcess::nullDevice());
        osascript.start(u"/usr/bin/osascript"_s, { u"-e"_s, source });
        if (!osascript.waitForFinished(promptTimeoutMs)) {
            osascript.kill();
            osascript.waitForFinished(5000);
            return false;
        }
        return osascript.exitStatus() == QProcess::NormalExit && osascript.exitCode() == 0;
    });
}
