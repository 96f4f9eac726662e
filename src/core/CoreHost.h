#pragma once

#include "core/CoreTypes.h"

namespace korvale {

// What the core needs from the front end that runs it: its three timers, a busy cursor,
// and a notice when a part of the state it shows has changed. The window implements it;
// core tests use a recording fake. Every method is called on the user-interface thread and
// returns at once.
class CoreHost {
public:
    virtual ~CoreHost() = default;
    // Starts (or restarts) timer `id` with a period in milliseconds; its timeouts call
    // Korvale::OnTimer.
    virtual void SetTimer(TimerId id, int periodMs) = 0;
    virtual void KillTimer(TimerId id) = 0;
    virtual bool IsTimerRunning(TimerId id) const = 0;
    // Shows the wait cursor until the matching EndBusy.
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;
    // Moves the keyboard focus to the cue position slider.
    virtual void FocusCuePosition() = 0;
    // `part` of the shown state has changed.
    virtual void Changed(CorePart part) = 0;
};

} // namespace korvale
