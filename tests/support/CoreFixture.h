#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/CoreHost.h"
#include "core/Korvale.h"
#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"

namespace korvale::testing {

// A front end that records what the core asks of it: running timers, busy spans and the
// change notices.
class FakeCoreHost : public CoreHost {
public:
    void SetTimer(TimerId id, int periodMs) override { timers[id] = periodMs; }
    void KillTimer(TimerId id) override { timers.erase(id); }
    bool IsTimerRunning(TimerId id) const override { return timers.count(id) != 0; }
    void BeginBusy() override { ++busy; }
    void EndBusy() override { --busy; }
    void FocusCuePosition() override { ++cueFocus; }
    void Changed(CorePart part) override { changes.push_back(part); }

    std::map<TimerId, int> timers; // running timers and their periods
    int busy = 0, cueFocus = 0;
    std::vector<CorePart> changes;
};

// The core on fakes, started as the program starts it but without its running tick:
// tests call OnTimer themselves. `start` false leaves it unstarted.
struct CoreFixture : FakeServices {
    explicit CoreFixture(bool start = true) : core(With(&deck1, &deck2), host) {
        if (start)
            core.Start("/start/folder", /*startTick=*/false);
    }

    FakeMediaVoice deck1, deck2;
    FakeCoreHost host;
    Korvale core;

    // Registers `path` on both decks with `seconds` of duration.
    void AddClip(const std::string& path, double seconds) {
        deck1.AddClip(path, seconds);
        deck2.AddClip(path, seconds);
    }
    // Registers every path (`seconds` long) and appends them to the play list.
    void Gather(const std::vector<std::string>& paths, double seconds = 100.0) {
        for (const std::string& path : paths)
            AddClip(path, seconds);
        core.Store().List().AppendMany(paths);
    }
    // The user clicks entry `index` of the play list, which loads it.
    void Select(int index) { core.Store().SelectedByUser(index); }
    // The clip held by `deck`'s player; empty when none.
    std::string Holds(Deck deck) const { return core.Decks().Player(deck).GetFileName(); }
};

} // namespace korvale::testing
