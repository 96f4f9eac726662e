#pragma once

#include "core/ClassicRand.h"

namespace korvale {

class CoreHost;
class Dialogs;
class MixToggles;
class PlayList;
class PlayListLoads;
class StatusLine;

// Shuffling the play list with the program's one random stream, and advancing to the next
// entry after a cross-fade. UI thread.
class ShuffleAndAdvance {
public:
    // Works on `list`; `host` shows the wait cursor while a shuffle runs, and `loads` loads
    // the entry an advance selects.
    ShuffleAndAdvance(Dialogs* dialogs, PlayList& list, CoreHost& host, StatusLine& status,
                      MixToggles& toggles, PlayListLoads& loads);

    void ShufflePlayList();
    // Selects the entry after the selected one (the first after the last) and loads it;
    // nothing when no entry is selected.
    void AdvancePlayList();

private:
    Dialogs* m_dialogs;
    PlayList& m_list;
    CoreHost& m_host;
    StatusLine& m_status;
    MixToggles& m_toggles;
    PlayListLoads& m_loads;
    ClassicRand m_rand;
};

} // namespace korvale
