#pragma once

#include <optional>

namespace korvale {

// What the engine measured of a whole clip once it was loaded. Plain data; any thread.
struct ClipAnalysis {
    // Integrated loudness (EBU R 128), LUFS; -inf for a clip without any gated block.
    double integratedLufs = 0.0;
    // True peak over both channels, dBTP; -inf for digital silence.
    double truePeakDbtp = 0.0;
    // Seconds of the clip's own time line: the first and last points where the clip rises
    // above the audible threshold. A clip that never does reads 0 and its duration.
    double firstAudibleSeconds = 0.0;
    double lastAudibleSeconds = 0.0;
    // The clip's own ReplayGain track gain in dB, when its tags carry one.
    std::optional<double> replayGainTrackDb;
};

} // namespace korvale
