#include "Services/ChildGuardState.h"

#include "Models/EnumNames.h"

namespace ChildGuardState {

QString rawValue(State state)
{
    return enumName(state);
}

std::optional<State> fromRawValue(const QString& text)
{
    return enumFromName<State>(text);
}

} // namespace ChildGuardState
