#pragma once

#include <cstdint>
#include <string>

#include "interfaces/MixOutlets.h"

namespace korvale {

// The one-line states of the stream and the recording that the settings pages show. Pure;
// any thread.
class OutletStatusText {
public:
    // "connected to host:port/mount for 1:02:03", "reconnecting in 8 s: connection refused",
    // "log-in refused: ...", "connecting to host:port/mount" or "off"; blocks the stream could
    // not keep up with are counted after a "; ".
    static std::string Broadcast(const BroadcastStatus& status);
    // "recording to <path> (12:34)", "stopped: <reason>" or "off", with the dropped blocks
    // as for the stream.
    static std::string Recording(const RecordingStatus& status);
    // A length of time as "M:SS", or "H:MM:SS" from an hour on; negative counts as 0.
    static std::string Clock(std::int64_t seconds);
};

} // namespace korvale
