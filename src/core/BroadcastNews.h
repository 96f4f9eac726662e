#pragma once

#include <optional>
#include <string>

#include "interfaces/MixOutlets.h"

namespace korvale {

// A notice for the desktop about the stream.
struct BroadcastNotice {
    std::string summary;
    std::string body;

    bool operator==(const BroadcastNotice&) const = default;
};

// Follows the stream's state and says when the connection was lost and when it came back:
// the first connection and turning the stream off are not news. UI thread.
class BroadcastNews {
public:
    // The news, if any, from the state before to `status`.
    std::optional<BroadcastNotice> Update(const BroadcastStatus& status);

private:
    BroadcastState m_last = BroadcastState::Off;
    bool m_lost = false; // was connected, and is not now
};

} // namespace korvale
