#pragma once

#include "core/ClassicRand.h"

namespace korvale {

class Korvale;
class Dialogs;

// Shuffling the play list with the program's one random stream, and advancing to the next
// entry after a cross-fade. UI thread.
class ShuffleAndAdvance {
public:
    ShuffleAndAdvance(Korvale& core, Dialogs* dialogs);

    void ShufflePlayList();
    // Selects the entry after the selected one (the first after the last) and loads it;
    // nothing when no entry is selected.
    void AdvancePlayList();

private:
    Korvale& m_core;
    Dialogs* m_dialogs;
    ClassicRand m_rand;
};

} // namespace korvale
