#include "core/MediaControls.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/ClipDisplayName.h"
#include "core/CrossFade.h"
#include "core/DeckPlayers.h"
#include "core/FileUri.h"
#include "core/FormatText.h"
#include "core/LevelMapping.h"
#include "core/OutputLevels.h"
#include "core/PlayListStore.h"
#include "core/SliderScroll.h"
#include "interfaces/FileSystem.h"
#include "interfaces/PathLength.h"

namespace korvale {

namespace {

constexpr double kMicrosecondsPerSecond = 1e6;
constexpr char kTrackIdFormat[] = "/org/korvale/Player%c/Load%llu";
constexpr double kSilentVolume = 0.0;
constexpr double kFullVolume = 1.0;
constexpr double kFullChannel = std::numeric_limits<std::uint16_t>::max();

char DeckLetter(Deck deck) {
    return deck == Deck::A ? 'A' : 'B';
}

std::int64_t Microseconds(double seconds) {
    return seconds > 0.0 ? std::llround(seconds * kMicrosecondsPerSecond) : 0;
}

} // namespace

MediaControls::MediaControls(FileSystem* files, DeckPlayers& decks, CrossFade& fade,
                             OutputLevels& levels, PlayListStore& store, SliderScroll& scroll)
    : m_files(files), m_decks(decks), m_fade(fade), m_levels(levels), m_store(store),
      m_scroll(scroll) {}

bool MediaControls::Plays(Deck deck) const {
    return m_decks.Player(deck).GetPlayState() == VoicePlayState::Playing;
}

bool MediaControls::Holds(Deck deck) const {
    return !m_decks.Player(deck).GetFileName().empty();
}

std::optional<Deck> MediaControls::OnAirDeck() const {
    Deck incoming = Deck::A;
    if (m_fade.IncomingDeck(incoming) && Plays(incoming)) {
        return incoming;
    }
    if (Plays(Deck::A) && Plays(Deck::B)) {
        const int faderA = m_decks.FaderPosition(Deck::A);
        const int faderB = m_decks.FaderPosition(Deck::B);
        if (faderA != faderB) {
            return faderA < faderB ? Deck::A : Deck::B;
        }
        return m_decks.LastStarted();
    }
    for (const Deck deck : kDecks) {
        if (Plays(deck)) {
            return deck;
        }
    }
    const Deck last = m_decks.LastStarted();
    if (Holds(last)) {
        return last;
    }
    if (Holds(OtherDeck(last))) {
        return OtherDeck(last);
    }
    return std::nullopt;
}

MediaState MediaControls::State() const {
    MediaState state;
    state.volume = Volume();
    const bool fading = m_fade.Phase() == MixPhase::Fading;
    const bool bothHold = Holds(Deck::A) && Holds(Deck::B);
    const bool oneWaits =
        (Holds(Deck::A) && !Plays(Deck::A)) || (Holds(Deck::B) && !Plays(Deck::B));
    state.canGoNext = fading || bothHold || oneWaits;
    state.deck = OnAirDeck();
    if (!state.deck) {
        return state;
    }
    const CMediaPlayer& player = m_decks.Player(*state.deck);
    const std::string path = player.GetFileName();
    state.status = Plays(*state.deck) ? PlaybackStatus::Playing : PlaybackStatus::Paused;
    state.load = m_decks.LoadNumber(*state.deck);
    state.trackId = FormatText(kTrackIdFormat, DeckLetter(*state.deck),
                               static_cast<unsigned long long>(state.load));
    state.title = ClipDisplayName(path);
    state.url = FileUriOfPath(path);
    state.path = path;
    state.lengthMicroseconds = Microseconds(player.GetDuration());
    return state;
}

std::int64_t MediaControls::PositionMicroseconds() const {
    const std::optional<Deck> deck = OnAirDeck();
    return deck ? Microseconds(m_decks.Player(*deck).GetCurrentPosition()) : 0;
}

double MediaControls::Volume() const {
    return LevelPositionToChannel(m_levels.MasterPosition()) / kFullChannel;
}

void MediaControls::SetVolume(double volume) {
    if (std::isnan(volume)) {
        return;
    }
    const auto channel = static_cast<std::uint16_t>(
        std::lround(std::clamp(volume, kSilentVolume, kFullVolume) * kFullChannel));
    const int position = ChannelsToLevelPosition(channel, channel);
    if (position == m_levels.MasterPosition()) {
        return; // a slider set to where it stands reports no move
    }
    // What the Master slider's handler does with a move.
    m_levels.MasterMovedByUser(position);
    m_scroll.OnVScroll();
}

void MediaControls::Play() {
    if (const std::optional<Deck> deck = OnAirDeck()) {
        m_decks.PlayDeck(*deck);
    }
}

void MediaControls::Pause() {
    if (const std::optional<Deck> deck = OnAirDeck()) {
        m_decks.StopDeck(*deck);
    }
}

void MediaControls::PlayPause() {
    const std::optional<Deck> deck = OnAirDeck();
    if (deck && Plays(*deck)) {
        m_decks.StopDeck(*deck);
    } else if (deck) {
        m_decks.PlayDeck(*deck);
    }
}

void MediaControls::Stop() {
    Pause();
}

void MediaControls::Next() {
    m_fade.Mix();
}

OpenUriOutcome MediaControls::OpenUri(const std::string& uri) {
    std::optional<std::string> path = PathOfFileUri(uri);
    if (!path) {
        return OpenUriOutcome::NotAFileUri;
    }
    if (!FitsPathLimit(*path)) {
        return OpenUriOutcome::PathTooLong;
    }
    if (m_files == nullptr || !m_files->IsRegularFile(*path)) {
        return OpenUriOutcome::NotAFile;
    }
    m_store.GatherOne(std::move(*path));
    return OpenUriOutcome::Added;
}

} // namespace korvale
