#pragma once

#include "Platform/GuardInstaller.h"

#include <QString>

#include <optional>

// The guard's state as the health report carries it to the parent.
namespace ChildGuardState {

using State = GuardInstaller::State;

QString rawValue(State state);
std::optional<State> fromRawValue(const QString& text);

} // namespace ChildGuardState
