#pragma once

#include <string>

namespace korvale {

// The program's process-wide values, under their historical g_ names. The main window owns
// one instance, so every window (and every test) starts from these values.
struct KorvaleState {
    // Working directory at start-up with a trailing "/"; captured once.
    std::string g_appDirectory;
    // Path last chosen in the open-file dialog of "L"; its initial file the next time.
    std::string g_chosenPath;

    // Fade settings (written by the mix styles and their sliders, read by the engine).
    int g_skipLastSeconds = 5;
    int g_fadeInThreshold = 0;
    int g_inSpeed = 40;
    int g_outSpeed = 2;
    int g_waitForFadeIn = 1;

    // Cross-fade state.
    int g_mixPhase = -1;
    int g_mixDirection = 1;
    int g_directionChosen = 0;
    int g_fadeInStep = 10;
    int g_fadeOutStep = 1;

    // Cue player state.
    int g_cuePlaying = 0;
    int g_cueTimer = -1;
};

} // namespace korvale
