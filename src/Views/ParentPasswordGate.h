#pragma once

#include <QString>

class AlertPresenter;
class ParentalPasswordStore;

// The parent password before an action that weakens a child computer's rules (changing the
// controlled applications, leaving the child role): asked through the alert presenter handed in
// whenever a password is set here. A keychain that cannot be read refuses the action, with a
// word on why, rather than letting it pass as if no password existed.
namespace ParentPasswordGate {

enum class Outcome
{
    noPassword,
    refused,
    confirmed
};

// What the password alert says: its title, the action it guards, and its confirm button.
struct Prompt
{
    QString title;
    QString message;
    QString confirmLabel;
};

// Asks for the password when one is set; an unreadable keychain or a wrong password refuses.
Outcome ask(ParentalPasswordStore& store, AlertPresenter& alerts, const Prompt& prompt);

// True when the action may go ahead: no password is set, or the parent typed it.
bool confirm(ParentalPasswordStore& store, AlertPresenter& alerts, const QString& action);

} // namespace ParentPasswordGate
