#pragma once

#include <QByteArray>
#include <QString>

// The server's error texts in the language a request asks for. The English text stays the
// machine-readable "error" that clients match on; its translation travels beside it as "message".
namespace ErrorTexts {

// True when the most preferred language of an Accept-Language value is Chinese (any "zh" tag).
bool prefersChinese(const QByteArray& acceptLanguage);
// The Chinese text of an error the server gives; a text the table does not know stays English.
QString chinese(const QString& english);
QString localized(const QString& english, const QByteArray& acceptLanguage);

} // namespace ErrorTexts
