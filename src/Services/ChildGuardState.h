#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// What the guard that keeps the application running on a child computer is, as the health
// report tells the parent: an honest answer, not the capabilities the application would like.
namespace ChildGuardState {
Q_NAMESPACE

enum class State
{
    running, // installed, and its keeper is at work
    stopped, // installed, but nothing keeps the application running
    notInstalled, // this computer could have it; nobody has approved it yet
    unavailable // this computer has no way to install it (no admin prompt or service manager)
};
Q_ENUM_NS(State)

QString rawValue(State state);
std::optional<State> fromRawValue(const QString& text);

// The state reported now; nothing until the application installs the platform's probe.
std::optional<State> current();
void setProbe(std::function<State()> probe);

} // namespace ChildGuardState
