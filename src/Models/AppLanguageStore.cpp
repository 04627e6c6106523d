#include "Models/AppLanguageStore.h"

#include "Models/L10n.h"
#include "Platform/UserDefaults.h"

AppLanguageStore::AppLanguageStore(QObject* parent)
    : AppLanguageStore(UserDefaults::standard(), parent)
{
}

AppLanguageStore::AppLanguageStore(UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
{
    auto stored = m_defaults.string(L10n::languageKey);
    if (stored && stored->isEmpty()) {
        stored.reset();
    }
    // Written back once, so that a stored empty text is removed.
    setOverrideLanguage(stored);
}

void AppLanguageStore::setOverrideLanguage(const std::optional<QString>& language)
{
    m_overrideLanguage = language;
    emit overrideLanguageChanged();
    if (language) {
        m_defaults.setString(L10n::languageKey, *language);
    } else {
        m_defaults.removeObject(L10n::languageKey);
    }
}

QLocale AppLanguageStore::effectiveLocale() const
{
    if (m_overrideLanguage && !m_overrideLanguage->isEmpty()) {
        return QLocale(*m_overrideLanguage);
    }
    return QLocale::system();
}
