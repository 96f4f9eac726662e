#include "core/TimeText.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace korvale {

namespace {

constexpr std::int32_t kFramesPerMinute = kTimeTextFramesPerSecond * 60;
constexpr std::int32_t kFramesPerHour = kFramesPerMinute * 60;
constexpr std::int32_t kHoursWrap = 60;
constexpr std::int32_t kMinutesPerHour = 60;
constexpr std::int32_t kSecondsPerMinute = 60;

constexpr std::size_t kPieceLength = 2;
constexpr std::size_t kHoursOffset = 0;
constexpr std::size_t kMinutesOffset = 3;
constexpr std::size_t kSecondsOffset = 6;
constexpr std::size_t kFramesOffset = 9;

constexpr std::uint32_t kMillisecondsPerHour = 3600000u;
constexpr std::uint32_t kMillisecondsPerMinute = 60000u;
constexpr std::uint32_t kMillisecondsPerSecond = 1000u;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads one piece the way atoi would read a string holding just that piece.
std::int32_t ReadPiece(std::string_view text, std::size_t offset) {
    if (offset >= text.size()) {
        return 0;
    }
    const std::string_view piece = text.substr(offset, kPieceLength);
    std::size_t i = 0;
    while (i < piece.size() && IsBlank(piece[i])) {
        ++i;
    }
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) {
        negative = piece[i] == '-';
        ++i;
    }
    std::int32_t value = 0;
    while (i < piece.size() && piece[i] >= '0' && piece[i] <= '9') {
        value = value * 10 + (piece[i] - '0');
        ++i;
    }
    return negative ? -value : value;
}

} // namespace

std::int32_t TimeTextFrames(double seconds) {
    if (std::isnan(seconds)) {
        return 0;
    }
    const double frames = std::trunc(seconds * kTimeTextFramesPerSecond);
    constexpr auto kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto kHighest = std::numeric_limits<std::int32_t>::max();
    if (frames <= static_cast<double>(kLowest)) {
        return kLowest;
    }
    if (frames >= static_cast<double>(kHighest)) {
        return kHighest;
    }
    return static_cast<std::int32_t>(frames);
}

std::string FormatTimeText(double seconds) {
    const std::int32_t frames = TimeTextFrames(seconds);
    const int hours = (frames / kFramesPerHour) % kHoursWrap;
    const int minutes = (frames / kFramesPerMinute) % kMinutesPerHour;
    const int secs = (frames / kTimeTextFramesPerSecond) % kSecondsPerMinute;
    const int frame = frames % kTimeTextFramesPerSecond;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d:%02d", hours, minutes, secs, frame);
    return buffer;
}

std::int32_t ParseTimeText(std::string_view text) {
    // Unsigned arithmetic wraps where signed arithmetic would overflow.
    const auto hours = static_cast<std::uint32_t>(ReadPiece(text, kHoursOffset));
    const auto minutes = static_cast<std::uint32_t>(ReadPiece(text, kMinutesOffset));
    const auto secs = static_cast<std::uint32_t>(ReadPiece(text, kSecondsOffset));
    const auto frames = static_cast<std::uint32_t>(ReadPiece(text, kFramesOffset));
    const std::uint32_t total = hours * kMillisecondsPerHour + minutes * kMillisecondsPerMinute +
                                secs * kMillisecondsPerSecond +
                                frames * static_cast<std::uint32_t>(kTimeTextMillisecondsPerFrame);
    return static_cast<std::int32_t>(total);
}

} // namespace korvale
