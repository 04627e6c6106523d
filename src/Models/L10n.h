#pragma once

#include <QString>
#include <QVariant>

#include <initializer_list>
#include <optional>

// The one lookup every user-visible text passes through. The Chinese source text is the key and
// its own fallback. A language stored under "vtl_app_language" overrides the system's choice
// when a translation for it is bundled.
//
// Always call it as `L10n::localized("…")` with a literal: the translation update step extracts
// the texts from exactly that form.
namespace L10n {

inline const QString languageKey = QStringLiteral("vtl_app_language");

// The Chinese source needs no translation table; it is a bundled language all the same.
inline const QString sourceLanguage = QStringLiteral("zh-Hans");

std::optional<QString> currentOverrideLanguage();

QString localized(const char* key);
QString localized(const QString& key);

// The language the interface texts are shown in, as an Accept-Language tag: "zh-CN" while the
// Chinese source texts show, else the language of the table in use ("en").
QString interfaceLanguageTag();

// Languages with a bundled table, plus the source language.
QStringList availableLanguages();

// Fills "%@" (text) and "%d" / "%ld" / "%lld" (integer) placeholders in order, after lookup, so
// that translations keep their placeholders. "%%" is a literal percent sign.
QString format(const QString& localizedFormat, std::initializer_list<QVariant> arguments);

} // namespace L10n
