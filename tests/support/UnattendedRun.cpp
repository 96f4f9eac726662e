#include "support/UnattendedRun.h"

#include <algorithm>
#include <thread>

namespace korvale::testing {

void StackProbeHost::Changed(CorePart part) {
    volatile char marker = 0;
    const auto address = reinterpret_cast<std::uintptr_t>(&marker);
    lowestStack = std::min(lowestStack, address);
    highestStack = std::max(highestStack, address);
    FakeCoreHost::Changed(part);
}

UnattendedRun::UnattendedRun()
    : core(CoreServices{&engine.voice(VoiceId::Deck1), &engine.voice(VoiceId::Deck2), &mci, &devices, &dialogs, &shell},
           host) {
    core.Start("/", /*startTick=*/false);
}

void UnattendedRun::WaitForAnalyses() {
    for (const VoiceId id : {VoiceId::Deck1, VoiceId::Deck2}) {
        while (waitForAnalyses && engine.voice(id).analysisPending()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void UnattendedRun::Start() {
    core.Store().SelectedByUser(0);
    WaitForAnalyses();
    core.Leveling().Apply();
    core.SetLoadNext(true), core.SetMixNext(true);
    core.Fade().Mix();
    Book();
}

void UnattendedRun::Book() {
    const bool fading = core.Fade().Phase() == MixPhase::Fading;
    if (fading && !m_fading) {
        ++handOversStarted;
        core.Fade().IncomingDeck(m_incoming);
    } else if (!fading && m_fading && core.Decks().FaderPosition(m_incoming) == 0) {
        ++handOvers;
    }
    m_fading = fading;
    for (const VoiceId id : {VoiceId::Deck1, VoiceId::Deck2}) {
        const EngineVoice& voice = engine.voice(id);
        bool& wasPlaying = m_playing[id == VoiceId::Deck1 ? 0 : 1];
        if (voice.playState() == VoicePlayState::Playing && !wasPlaying) started.push_back(voice.path());
        wasPlaying = voice.playState() == VoicePlayState::Playing;
    }
}

void UnattendedRun::Step() {
    WaitForAnalyses();
    engine.output().pullInto(slice.data(), kSliceFrames);
    nowMs += kSliceMs;
    core.OnTimer(TimerId::Tick);
    Book();
    if (core.Fade().Phase() == MixPhase::Fading && nowMs % kFadeTimerMs == 0) {
        core.OnTimer(TimerId::Fade);
        Book();
    }
}

bool UnattendedRun::Playing() {
    return engine.voice(VoiceId::Deck1).playState() == VoicePlayState::Playing ||
           engine.voice(VoiceId::Deck2).playState() == VoicePlayState::Playing;
}

void UnattendedRun::RunUntilIdle(long long idleMs, long long limitMs) {
    const long long end = nowMs + limitMs;
    for (long long idleSince = nowMs; nowMs - idleSince < idleMs && nowMs < end;) {
        Step();
        idleSince = Playing() ? nowMs : idleSince;
    }
}

} // namespace korvale::testing
