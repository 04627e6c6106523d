#include "Platform/macOS/AppleScriptAdminCommand.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace AppleScriptAdminCommand {

QString temporaryScriptPath(const QString& temporaryDirectory, const QUuid& uuid)
{
    // The macOS temporary directory ends with a slash; a Linux-style one may not.
    QString directory = temporaryDirectory;
    if (!directory.endsWith(u'/')) {
        directory += u'/';
    }
    return directory + u"vtl-child-guard-"_s + uuid.toString(QUuid::WithoutBraces).toUpper() + u".sh"_s;
}

QString escapedForAppleScriptString(const QString& text)
{
    QString escaped = text;
    escaped.replace(u"\\"_s, u"\\\\"_s);
    escaped.replace(u"\""_s, u"\\\""_s);
    return escaped;
}

QString source(const QString& scriptPath)
{
    return u"do shell script \"/bin/bash \\\""_s + escapedForAppleScriptString(scriptPath)
        + u"\\\"\" with administrator privileges"_s;
}

bool runWithTemporaryFile(const QString& script, const QString& temporaryDirectory,
                          const std::function<bool(const QString& appleScriptSource)>& execute)
{
    const QString path = temporaryScriptPath(temporaryDirectory, QUuid::createUuid());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = script.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        return false;
    }
    const bool ok = execute(source(path));
    QFile::remove(path);
    return ok;
}

} // namespace AppleScriptAdminCommand
