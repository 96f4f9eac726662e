#pragma once

namespace korvale {

// What the cross-fade tells its owner; the owner runs the steps that follow in the other
// parts. UI thread.
class MixEvents {
public:
    virtual ~MixEvents() = default;
    // MIX ran with no cross-fade to end (pressed, or started by MIX NEXT or the media
    // controls) and has started one or, with no clip to fade in, ended the mix.
    virtual void MixPressed() = 0;
    // A cross-fade ended: its timer is stopped and its steps start afresh.
    virtual void MixEnded() = 0;
};

} // namespace korvale
