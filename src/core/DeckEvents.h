#pragma once

#include <string>

#include "core/CoreTypes.h"

namespace korvale {

// What the decks tell their owner while they load a clip; the owner runs the steps that
// follow in the other parts. UI thread.
class DeckEvents {
public:
    virtual ~DeckEvents() = default;
    // A clip was just opened on `deck`; `fromStart` when the load asked for position 0 on
    // behalf of the play list.
    virtual void ClipOpened(Deck deck, bool fromStart) = 0;
    // The clip at `path`, loaded for the play list's selected entry, proved unplayable. Told
    // before the load's status is shown.
    virtual void SelectedClipUnplayable(const std::string& path) = 0;
};

} // namespace korvale
