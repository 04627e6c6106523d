#pragma once

#include "Platform/GuardInstaller.h"

#include <QString>

#include <functional>
#include <optional>

// The guard's state as the health report carries it to the parent, and the probe that the
// synchronisation asks for it.
namespace ChildGuardState {

using State = GuardInstaller::State;

QString rawValue(State state);
std::optional<State> fromRawValue(const QString& text);

// The state reported now; nothing until the application installs the platform's probe.
std::optional<State> current();
void setProbe(std::function<State()> probe);

} // namespace ChildGuardState
