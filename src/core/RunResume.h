#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/RunState.h"
#include "interfaces/RunStateStore.h"

namespace korvale {

class Korvale;

// A clip that was on air starts again this much before the position last kept.
inline constexpr double kResumeRewindSeconds = 0.5;

// What a start takes of the kept files.
struct KeptRunChoice {
    // The run to resume; nothing when none was kept, none reads, or the user ended it.
    std::optional<RunState> state;
    // One line for each copy that was set aside, saying why.
    std::vector<std::string> complaints;
};

// The current copy when it reads whole, else the previous one; never a part of either. The
// position record is taken when it belongs to the chosen copy. Pure.
KeptRunChoice ChooseKeptRun(const KeptRunFiles& files);

// Puts a freshly started core where the kept run stood: the play list and its selection, the
// mix style, the decks (a clip that played starts again kResumeRewindSeconds before its
// position, at its fader), the toggles. A cross-fade that was running ends as if it had
// finished: the incoming deck on air, the other closed, and with LOAD NEXT down the next clip
// loaded. A clip that is gone or broken leaves its deck empty, or is dropped from the list
// when it is the selected entry, as any load of it would. UI thread.
void ResumeRun(Korvale& core, const RunState& state);

} // namespace korvale
