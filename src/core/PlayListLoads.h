#pragma once

namespace korvale {

// How the play list's parts have its selected entry loaded. The owner runs the load: the
// cue player closes, a deck is chosen and the clip loaded on it (and, when it proves
// unplayable, the run of unplayable entries is dropped). UI thread.
class PlayListLoads {
public:
    virtual ~PlayListLoads() = default;
    // With nothing selected the status line shows "Play List is empty" and nothing loads.
    virtual void LoadSelectedClip() = 0;
};

} // namespace korvale
