#include "Models/L10n.h"

#include "Platform/UserDefaults.h"

#include <QFile>
#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QTranslator>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
constexpr const char* kContext = "L10n";

// Translators are loaded once per language and shared; lookups may come from any thread.
class TranslationTables
{
public:
    static TranslationTables& instance()
    {
        static TranslationTables tables;
        return tables;
    }

    // nullptr for the source language; a missing table yields std::nullopt.
    std::optional<const QTranslator*> table(const QString& language)
    {
        if (language == L10n::sourceLanguage) {
            return nullptr;
        }
        QMutexLocker lock(&m_mutex);
        if (const auto it = m_tables.constFind(language); it != m_tables.cend()) {
            if (!*it) {
                return std::nullopt;
            }
            return it->get();
        }
        auto translator = std::make_shared<QTranslator>();
        if (!translator->load(qmPath(language))) {
            translator.reset();
        }
        m_tables.insert(language, translator);
        if (!translator) {
            return std::nullopt;
        }
        return translator.get();
    }

    static QString qmPath(const QString& language) { return u":/i18n/"_s + language + u".qm"_s; }

private:
    QMutex m_mutex;
    QHash<QString, std::shared_ptr<QTranslator>> m_tables;
};

// Without an override the user's preferred languages decide, as the system would: the first one
// that has a table (or is Chinese) wins; none gives the source text.
const QTranslator* tableForPreferredLanguages()
{
    auto& tables = TranslationTables::instance();
    for (const auto& preferred : QLocale().uiLanguages()) {
        if (preferred.startsWith(u"zh"_s)) {
            return nullptr;
        }
        if (const auto table = tables.table(preferred)) {
            return *table;
        }
        const auto language = preferred.section(u'-', 0, 0);
        if (const auto table = tables.table(language)) {
            return *table;
        }
    }
    return nullptr;
}
} // namespace

namespace L10n {

std::optional<QString> currentOverrideLanguage()
{
    const auto stored = UserDefaults::standard().string(languageKey);
    if (!stored || stored->isEmpty()) {
        return std::nullopt;
    }
    return stored;
}

QString localized(const char* key)
{
    return localized(QString::fromUtf8(key));
}

QString localized(const QString& key)
{
    const QTranslator* table = nullptr;
    std::optional<const QTranslator*> overrideTable;
    if (const auto language = currentOverrideLanguage()) {
        overrideTable = TranslationTables::instance().table(*language);
    }
    table = overrideTable ? *overrideTable : tableForPreferredLanguages();
    if (!table) {
        return key;
    }
    const auto translated = table->translate(kContext, key.toUtf8().constData());
    return translated.isEmpty() ? key : translated;
}

QString interfaceLanguageTag()
{
    std::optional<const QTranslator*> overrideTable;
    if (const auto language = currentOverrideLanguage()) {
        overrideTable = TranslationTables::instance().table(*language);
    }
    const auto* table = overrideTable ? *overrideTable : tableForPreferredLanguages();
    if (!table) {
        return u"zh-CN"_s;
    }
    // A table that does not name its language is one of the non-Chinese ones all the same.
    return table->language().isEmpty() ? u"en"_s : table->language().replace(u'_', u'-');
}

QStringList availableLanguages()
{
    QStringList languages { sourceLanguage };
    for (const auto& candidate : { u"en"_s }) {
        if (QFile::exists(TranslationTables::qmPath(candidate))) {
            languages.append(candidate);
        }
    }
    return languages;
}

QString format(const QString& localizedFormat, std::initializer_list<QVariant> arguments)
{
    QString result;
    result.reserve(localizedFormat.size());
    auto next = arguments.begin();
    for (qsizetype i = 0; i < localizedFormat.size(); ++i) {
        const auto ch = localizedFormat.at(i);
        if (ch != u'%' || i + 1 >= localizedFormat.size()) {
            result.append(ch);
            continue;
        }
        const auto rest = QStringView(localizedFormat).mid(i + 1);
        qsizetype consumed = 0;
        if (rest.startsWith(u'%')) {
            result.append(u'%');
            i += 1;
            continue;
        }
        if (rest.startsWith(u"@")) {
            consumed = 1;
        } else if (rest.startsWith(u"lld")) {
            consumed = 3;
        } else if (rest.startsWith(u"ld")) {
            consumed = 2;
        } else if (rest.startsWith(u"d")) {
            consumed = 1;
        }
        if (consumed == 0 || next == arguments.end()) {
            result.append(ch);
            continue;
        }
        result.append(rest.startsWith(u"@") ? next->toString() : QString::number(next->toLongLong()));
        ++next;
        i += consumed;
    }
    return result;
}

} // namespace L10n
