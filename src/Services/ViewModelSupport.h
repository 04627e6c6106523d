#pragma once

#include "Services/Network/UserFriendlyMessage.h"

#include <QCoroTask>
#include <QPointer>
#include <QString>

#include <exception>
#include <optional>
#include <utility>

namespace ViewModelSupport {

// Stores `value` and announces it, also when it equals what was there: the screens bound to these
// properties refresh on every assignment, and some rely on it (a field set again to its own text
// still re-evaluates the buttons that depend on it).
template <typename Owner, typename Member, typename Value>
void setAndNotify(Owner* owner, Member& member, Value&& value, void (Owner::*changed)())
{
    member = std::forward<Value>(value);
    emit(owner->*changed)();
}

// How a screen shows one backend action under way: its busy flag, and its message line.
template <typename Owner> struct BusyDisplay
{
    void (Owner::*setBusy)(bool);
    void (Owner::*setFailure)(std::optional<QString>);
};

// Runs `work` on `owner` the way every screen runs a backend action: busy and the message line
// cleared before the work starts, the text of `userFriendlyMessage` on the line when it throws,
// busy cleared at the end. A member coroutine rather than a task, so that the work cannot start
// before the screen shows it busy; nothing of the owner is touched when it was destroyed meanwhile
// (the work checks that itself after each of its own waits). True when the work succeeded.
template <typename Owner, typename... Params, typename... Args>
QCoro::Task<bool> runBusy(Owner* owner, BusyDisplay<Owner> display, QCoro::Task<> (Owner::*work)(Params...),
                          Args&&... args)
{
    const QPointer<Owner> self(owner);
    (owner->*display.setBusy)(true);
    (owner->*display.setFailure)(std::nullopt);
    std::optional<QString> failure;
    try {
        // The arguments are handed over before the first suspension, while the caller's are alive.
        auto task = (owner->*work)(std::forward<Args>(args)...);
        co_await task;
    } catch (...) {
        failure = userFriendlyMessage(std::current_exception());
    }
    if (!self) {
        co_return false;
    }
    if (failure) {
        (owner->*display.setFailure)(failure);
    }
    (owner->*display.setBusy)(false);
    co_return !failure;
}

} // namespace ViewModelSupport
