#include "Services/ChildGuardState.h"

using namespace Qt::StringLiterals;

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
    switch (state) {
    case State::running:
        return u"running"_s;
    case State::stopped:
        return u"stopped"_s;
    case State::notInstalled:
        return u"notInstalled"_s;
    case State::unavailable:
        return u"unavailable"_s;
    }
    return {};
}

std::optional<State> fromRawValue(const QString& text)
{
    for (const auto state : { State::running, State::stopped, State::notInstalled, State::unavailable }) {
        if (rawValue(state) == text) {
            return state;
        }
    }
    return std::nullopt;
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
