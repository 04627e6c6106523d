#pragma once

#include <QString>

#include <optional>

class ParentalPasswordStore;
class ScreenTimePolicyStore;

// The eye-rest rhythm of this child computer, which only a parent may change: it stays on this
// computer (the family server's rules carry no eye rest), so the parent password of this
// computer guards it. Switched off, the interval is stored as 0, which the rule reads as off.
class MacEyeRestSettingsViewModel final
{
public:
    static constexpr qint64 minimumInterval = 10;
    static constexpr qint64 maximumInterval = 240;
    static constexpr qint64 minimumRest = 1;
    static constexpr qint64 maximumRest = 60;

    MacEyeRestSettingsViewModel(ScreenTimePolicyStore& policyStore, ParentalPasswordStore& passwordStore);

    // What the sheet starts with: the stored rhythm, or the usual one while it is off.
    bool isEnabled() const;
    qint64 intervalMinutes() const;
    qint64 restMinutes() const;

    // Stores the rhythm when `password` is this computer's parent password and the values lie in
    // range; otherwise stores nothing and returns the text to show.
    std::optional<QString> save(const QString& password, bool enabled, qint64 intervalMinutes,
                                qint64 restMinutes);

    // The line of the child's rule card: the rhythm, or that eye rest is off.
    static QString summary(qint64 intervalMinutes, qint64 restMinutes);

private:
    ScreenTimePolicyStore& m_policyStore;
    ParentalPasswordStore& m_passwordStore;
};
