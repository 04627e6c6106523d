#pragma once

#include <QString>
#include <QUuid>

#include <functional>

// How macOS runs a script as root: the script is written to a file in the user's temporary
// folder and an AppleScript "do shell script … with administrator privileges" runs it, which
// shows the system's authorisation prompt. Plain text functions, so that every character of the
// command is checked on any machine; only the AppleScript execution itself is macOS code.
namespace AppleScriptAdminCommand {

// `temporaryDirectory` + "vtl-child-guard-" + the UUID in upper case + ".sh".
QString temporaryScriptPath(const QString& temporaryDirectory, const QUuid& uuid);

// Backslashes doubled first, then every double quote preceded by a backslash.
QString escapedForAppleScriptString(const QString& text);

// do shell script "/bin/bash \"<escaped path>\"" with administrator privileges
QString source(const QString& scriptPath);

// Writes `script` atomically to a fresh temporary path, hands the AppleScript source to
// `execute`, and deletes the file whatever the outcome. False when the file cannot be written
// or `execute` reports failure.
bool runWithTemporaryFile(const QString& script, const QString& temporaryDirectory,
                          const std::function<bool(const QString& appleScriptSource)>& execute);

} // namespace AppleScriptAdminCommand
