#include "core/RunKeeper.h"

#include <algorithm>

#include "core/Korvale.h"
#include "core/RunStateCodec.h"
#include "interfaces/RunStateStore.h"

namespace korvale {

namespace {

std::size_t DeckIndex(Deck deck) {
    return static_cast<std::size_t>(DeckNumber(deck) - 1);
}

// Whether two captures differ only in what the position record carries.
bool SameRunApartFromPositions(const RunState& a, const RunState& b) {
    for (std::size_t i = 0; i < a.decks.size(); ++i) {
        if (a.decks[i].clip != b.decks[i].clip || a.decks[i].playing != b.decks[i].playing) {
            return false;
        }
    }
    return a.entries == b.entries && a.selected == b.selected && a.loadNext == b.loadNext &&
           a.mixNext == b.mixNext && a.style == b.style && a.onAir == b.onAir &&
           a.fadingInto == b.fadingInto && a.ended == b.ended;
}

RunPositions PositionsOf(const RunState& state) {
    RunPositions positions;
    positions.serial = state.serial;
    for (std::size_t i = 0; i < state.decks.size(); ++i) {
        positions.positions[i] = state.decks[i].position;
        positions.faders[i] = state.decks[i].fader;
    }
    return positions;
}

} // namespace

RunKeeper::RunKeeper(Korvale& core, RunStateStore& store, std::uint64_t firstSerial)
    : m_core(core), m_store(store), m_serial(firstSerial) {}

RunState RunKeeper::Capture() {
    const PlayList& list = m_core.List();
    if (m_entries == nullptr || list.Revision() != m_listRevision) {
        m_entries = std::make_shared<const std::vector<std::string>>(list.Entries());
        m_listRevision = list.Revision();
    }
    RunState state;
    state.entries = m_entries;
    state.selected = list.SelectedIndex();
    for (const Deck deck : kDecks) {
        const CMediaPlayer& player = m_core.Decks().Player(deck);
        DeckRun& run = state.decks[DeckIndex(deck)];
        run.clip = player.GetFileName();
        run.playing = player.GetPlayState() == VoicePlayState::Playing;
        run.fader = m_core.Decks().FaderPosition(deck);
        run.position = run.clip.empty() ? 0.0 : std::max(0.0, player.GetCurrentPosition());
    }
    state.loadNext = m_core.LoadNext();
    state.mixNext = m_core.MixNext();
    const MixStyleSettings& settings = m_core.Settings();
    state.style.index = settings.MixStyleIndex();
    for (const FadeSlider slider : {FadeSlider::SkipLast, FadeSlider::FadeInThreshold,
                                    FadeSlider::InSpeed, FadeSlider::OutSpeed}) {
        state.style.sliders[static_cast<std::size_t>(slider)] = settings.Position(slider);
    }
    state.style.waitBox = settings.WaitBoxChecked();
    const std::optional<Deck> onAir = m_core.Media().OnAirDeck();
    state.onAir = onAir ? DeckNumber(*onAir) : 0;
    Deck incoming = Deck::A;
    state.fadingInto = m_core.Fade().IncomingDeck(incoming) ? DeckNumber(incoming) : 0;
    state.serial = m_serial;
    return state;
}

void RunKeeper::Check() {
    if (m_sealed) {
        return;
    }
    RunState state = Capture();
    if (!m_lastWhole || !SameRunApartFromPositions(state, *m_lastWhole)) {
        KeepWhole(std::move(state), /*ended=*/false);
    }
}

void RunKeeper::OnSecond() {
    Check();
    if (m_sealed) {
        return;
    }
    const RunState state = Capture();
    RunPositions positions = PositionsOf(state);
    const bool plays = state.decks[0].playing || state.decks[1].playing;
    if (m_lastPositions) {
        positions.sequence = m_lastPositions->sequence;
    }
    if (plays || positions != m_lastPositions) {
        KeepPositions(state);
    }
}

void RunKeeper::Finish() {
    if (m_sealed) {
        return;
    }
    Check();
    KeepPositions(Capture());
    m_store.Flush();
    m_sealed = true;
}

void RunKeeper::EndRun() {
    if (m_sealed) {
        return;
    }
    KeepWhole(Capture(), /*ended=*/true);
    m_store.Flush();
    m_sealed = true;
}

void RunKeeper::KeepWhole(RunState state, bool ended) {
    state.serial = ++m_serial;
    state.ended = ended;
    auto kept = std::make_shared<const RunState>(state);
    m_store.KeepState([kept] { return EncodeRunState(*kept); },
                      ended ? OlderCopies::Drop : OlderCopies::Keep);
    m_lastWhole = std::move(state);
    ++m_wholeStates;
}

void RunKeeper::KeepPositions(const RunState& state) {
    RunPositions positions = PositionsOf(state);
    positions.serial = m_serial;
    positions.sequence = ++m_sequence;
    m_store.KeepPositions(EncodeRunPositions(positions), RunPositionsOffset(positions.sequence));
    m_lastPositions = positions;
    ++m_positionRecords;
}

} // namespace korvale
