#include "Services/ChildGuardState.h"

#include "Models/EnumNames.h"

namespace ChildGuardState {

namespace {
std::function<State()>& probe()
{
    static std::function<State()> installed;
    return installed;
}
} // namespace

QString rawValue(State state)
{
    return enumName(state);
}

std::optional<State> fromRawValue(const QString& text)
{
    return enumFromName<State>(text);
}

std::optional<State> current()
{
    return probe() ? std::optional<State>(probe()()) : std::nullopt;
}

void setProbe(std::function<State()> probeFunction)
{
    probe() = std::move(probeFunction);
}

} // namespace ChildGuardState
