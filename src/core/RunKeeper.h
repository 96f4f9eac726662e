#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/RunState.h"

namespace korvale {

class Korvale;
class RunStateStore;

// Keeps the run on disc as it goes, so that a start after a crash, a kill or a power cut
// can resume it: the whole state whenever anything but the decks' positions and faders
// changed, and those in a small record of their own once a second while they move. It only
// captures; encoding and writing happen on the store's thread. UI thread.
class RunKeeper {
public:
    // `firstSerial`: the serial of the first capture, above any of an earlier run (the
    // clock's microseconds at start do).
    RunKeeper(Korvale& core, RunStateStore& store, std::uint64_t firstSerial);
    RunKeeper(const RunKeeper&) = delete;
    RunKeeper& operator=(const RunKeeper&) = delete;

    // Hands the whole state over when it differs from the last one handed over in anything
    // but the positions and faders. Cheap when nothing changed; the list is copied only when
    // it changed.
    void Check();
    // Once a second: Check, then the position record when a deck plays or a position or
    // fader moved since the last record.
    void OnSecond();
    // A stop from outside: the state and the positions as they stand now, written before it
    // returns; the run stays resumable. Nothing is kept after it.
    void Finish();
    // The user's own exit: the run is marked ended (a later start resumes nothing), written
    // before it returns. Nothing is kept after it.
    void EndRun();

    // The run as it stands now.
    RunState Capture();
    int WholeStatesKept() const { return m_wholeStates; }
    int PositionRecordsKept() const { return m_positionRecords; }

private:
    void KeepWhole(RunState state, bool ended);
    void KeepPositions(const RunState& state);

    Korvale& m_core;
    RunStateStore& m_store;
    std::uint64_t m_serial;
    std::uint64_t m_sequence = 0;
    // The list as last captured, shared by every capture until it changes.
    std::shared_ptr<const std::vector<std::string>> m_entries;
    std::uint64_t m_listRevision = 0;
    std::optional<RunState> m_lastWhole;
    std::optional<RunPositions> m_lastPositions;
    bool m_sealed = false;
    int m_wholeStates = 0;
    int m_positionRecords = 0;
};

} // namespace korvale
