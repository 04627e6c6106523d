#pragma once

#include "Platform/SessionActivity.h"

// A session whose use a test sets.
class ScriptedSessionActivity final : public SessionActivity
{
public:
    State answer = State::inUse;
    State state() override { return answer; }
};
