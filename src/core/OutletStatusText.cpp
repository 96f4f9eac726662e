#include "core/OutletStatusText.h"

#include <cmath>
#include <cstdio>

namespace korvale {

namespace {

constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kSecondsPerHour = 3600;

std::string WithDropped(std::string text, std::uint64_t droppedBlocks) {
    if (droppedBlocks == 1) {
        text += "; 1 block dropped";
    } else if (droppedBlocks > 1) {
        text += "; " + std::to_string(droppedBlocks) + " blocks dropped";
    }
    return text;
}

std::string WithReason(std::string text, const std::string& reason) {
    if (!reason.empty()) {
        text += ": " + reason;
    }
    return text;
}

} // namespace

std::string OutletStatusText::Clock(std::int64_t seconds) {
    if (seconds < 0) {
        seconds = 0;
    }
    const long long hours = seconds / kSecondsPerHour;
    const long long minutes = seconds % kSecondsPerHour / kSecondsPerMinute;
    const long long rest = seconds % kSecondsPerMinute;
    char text[32];
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, rest);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", minutes, rest);
    }
    return text;
}

std::string OutletStatusText::Broadcast(const BroadcastStatus& status) {
    std::string text;
    switch (status.state) {
    case BroadcastState::Off:
        return "off";
    case BroadcastState::Connecting:
        text = "connecting to " + status.endpoint;
        break;
    case BroadcastState::Connected:
        text = "connected to " + status.endpoint + " for " + Clock(status.connectedSeconds);
        break;
    case BroadcastState::Reconnecting:
        text = WithReason("reconnecting in " + std::to_string(status.retryInSeconds) + " s",
                          status.reason);
        break;
    case BroadcastState::Refused:
        text = WithReason("log-in refused", status.reason);
        break;
    }
    return WithDropped(text, status.droppedBlocks);
}

std::string OutletStatusText::Recording(const RecordingStatus& status) {
    std::string text;
    switch (status.state) {
    case RecordingState::Off:
        return "off";
    case RecordingState::Recording: {
        const double seconds = std::isfinite(status.seconds) ? status.seconds : 0.0;
        text = "recording to " + status.path + " (" +
               Clock(static_cast<std::int64_t>(std::floor(seconds))) + ")";
        break;
    }
    case RecordingState::Failed:
        text = WithReason("stopped", status.reason);
        break;
    }
    return WithDropped(text, status.droppedBlocks);
}

} // namespace korvale
