#pragma once

namespace korvale {

// The handler that runs after the user moved a vertical slider (a deck fader, the Master or
// the Mic level): the decks' volumes, then the output levels, follow the sliders. A part
// that moves a slider as the user would runs it too. UI thread.
class SliderScroll {
public:
    virtual ~SliderScroll() = default;
    virtual void OnVScroll() = 0;
};

} // namespace korvale
