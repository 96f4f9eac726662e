#pragma once

#include <optional>
#include <string>

namespace korvale {

class CKORVALEDlg;

// The steps that removing an entry and loading the selected entry are made of. "D" and the
// selection handler run them through RemoveSelectedClip and LoadSelectedClip; the deck
// loading runs them in a loop to drop a run of unplayable entries without recursing.
// User-interface thread only.

// Deletes the selected entry and selects the one that took its place, with the status
// "Ready". Returns whether the load step follows: false when nothing was selected (nothing
// changes) and when the last of several entries was removed (nothing is left selected and
// nothing is loaded); true otherwise, including when the list became empty (the load step
// then reports it).
bool DropSelectedEntry(CKORVALEDlg& window);

// What LoadSelectedClip hands to the deck loading.
struct SelectedLoad {
    std::string path;
    int deckChoice = 0;
};

// The first steps of loading the selected entry: with nothing selected the status line
// shows "Play List is empty" and nothing is returned; otherwise the cue player is closed
// and a deck is chosen (which may empty a deck that is loaded but not playing).
std::optional<SelectedLoad> PrepareSelectedLoad(CKORVALEDlg& window);

} // namespace korvale
