#include "Platform/GuardInstaller.h"

using namespace Qt::StringLiterals;

GuardInstaller::~GuardInstaller() = default;

QString GuardInstaller::shellQuoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(u"'"_s, u"'\\''"_s);
    return u'\'' + escaped + u'\'';
}
