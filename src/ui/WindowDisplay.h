#pragma once

#include "ui/ControlSet.h"

namespace korvale {

class Korvale;

// Shows the core's state on the window's controls, one part of it at a time, when the core
// reports that part changed. Every value comes from the core; a display is redrawn only when
// its text changes, and what the program sets raises none of the controls' handlers. UI
// thread.
class WindowDisplay {
public:
    // Both must outlive the display; the controls may be made after it.
    WindowDisplay(const ControlSet& controls, const Korvale& core);

    void ShowStatus();
    void ShowDecks();
    void ShowFadeSettings();
    void ShowCue();
    void ShowLevels();
    void ShowToggles();

private:
    const ControlSet& m_controls;
    const Korvale& m_core;
};

} // namespace korvale
