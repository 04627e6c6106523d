#pragma once

#include <QLocale>
#include <QObject>
#include <QString>

#include <optional>

class UserDefaults;

// Holds the stored interface-language override and the locale the window formats with.
class AppLanguageStore final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(std::optional<QString> overrideLanguage READ overrideLanguage WRITE setOverrideLanguage NOTIFY
                   overrideLanguageChanged)

public:
    explicit AppLanguageStore(QObject* parent = nullptr);
    explicit AppLanguageStore(UserDefaults& defaults, QObject* parent = nullptr);

    std::optional<QString> overrideLanguage() const { return m_overrideLanguage; }
    // Writes through: a present value is stored as text, an absent one removes the entry.
    void setOverrideLanguage(const std::optional<QString>& language);

    // The override's locale when it is present and not empty, otherwise the user's locale.
    QLocale effectiveLocale() const;

signals:
    void overrideLanguageChanged();

private:
    UserDefaults& m_defaults;
    std::optional<QString> m_overrideLanguage;
};
