#pragma once

// Whether someone is using this login session now. Where the window system cannot say which
// application is in front, a controlled application counts as used while its process runs and
// this answers `inUse`, as the simplest limiters count.
class SessionActivity
{
public:
    enum class State
    {
        inUse, // the seat's active session, not idle and not locked
        away, // switched away from, idle, or locked
        unknown // nothing on this computer can tell
    };

    virtual ~SessionActivity();
    virtual State state() = 0;
};
