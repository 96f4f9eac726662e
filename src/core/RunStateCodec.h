#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/RunState.h"

namespace korvale {

// Why a kept state was not taken.
enum class RunStateFault {
    None,
    Truncated,    // shorter than it says it is
    Damaged,      // a checksum that does not match, or values no run can hold
    NewerVersion, // written by a later version of the program
    NotAState,    // not a state file at all
};

// The words for a fault, for one line on the standard error.
const char* RunStateFaultText(RunStateFault fault);

struct RunStateReading {
    RunStateFault fault = RunStateFault::None;
    std::optional<RunState> state; // set exactly when fault is None
};

// The state file's version that this program writes and reads.
inline constexpr std::uint32_t kRunStateVersion = 1;
// Bytes of one position record; the position file holds two, side by side.
inline constexpr std::size_t kRunPositionsRecordBytes = 64;

// The state as the bytes of its file: a header with the version and a checksum, then every
// value. Pure; any thread.
std::string EncodeRunState(const RunState& state);
// The state a file's bytes hold, all of it or nothing: a file that is cut short, damaged,
// from a newer version or holding values out of range gives no state. Pure; any thread.
RunStateReading DecodeRunState(std::string_view bytes);

// One position record of kRunPositionsRecordBytes bytes, with its checksum. Pure.
std::string EncodeRunPositions(const RunPositions& positions);
// The record at the start of `bytes`; nothing when it is short, damaged or of another version.
std::optional<RunPositions> DecodeRunPositions(std::string_view bytes);
// Where in the position file a record goes: the two slots take turns, so that a record cut
// short by a power cut leaves the one before it whole.
std::size_t RunPositionsOffset(std::uint64_t sequence);
// The newest whole record of a position file.
std::optional<RunPositions> NewestRunPositions(std::string_view file);

} // namespace korvale
