#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/FaderUnits.h"

namespace korvale {

// One deck of a kept run.
struct DeckRun {
    std::string clip; // empty: the deck holds none
    bool playing = false;
    int fader = kFaderBottom;
    double position = 0.0; // seconds into the clip

    bool operator==(const DeckRun&) const = default;
};

// The Mix Style box, the four fade sliders (in FadeSlider order) and the wait box.
struct MixStyleRun {
    int index = -1;
    std::array<int, 4> sliders{};
    bool waitBox = true;

    bool operator==(const MixStyleRun&) const = default;
};

// What is kept of a run so that a later start can resume it: the play list and its
// selection, the decks, the two toggles, the mix style, the deck on air and a running
// cross-fade. The entries are shared, never changed once captured: a capture while the list
// stands still takes no copy of it.
struct RunState {
    // Which capture this is; the position record names the capture it belongs to.
    std::uint64_t serial = 0;
    // The user's own exit ended the run: a later start resumes nothing.
    bool ended = false;
    std::shared_ptr<const std::vector<std::string>> entries =
        std::make_shared<const std::vector<std::string>>();
    int selected = -1;
    std::array<DeckRun, 2> decks;
    bool loadNext = false;
    bool mixNext = false;
    MixStyleRun style;
    int onAir = 0;      // the deck number on air, 0 for none
    int fadingInto = 0; // the deck number a running cross-fade brings in, 0 for none
};

// The decks' positions and faders, kept apart from the whole state and far more often.
struct RunPositions {
    std::uint64_t serial = 0;   // the capture of the whole state these belong to
    std::uint64_t sequence = 0; // a later record has a higher number
    std::array<double, 2> positions{};
    std::array<int, 2> faders{kFaderBottom, kFaderBottom};

    bool operator==(const RunPositions&) const = default;
};

} // namespace korvale
