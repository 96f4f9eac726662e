#include "core/RunResume.h"

#include <algorithm>

#include "core/Korvale.h"
#include "core/RunStateCodec.h"

namespace korvale {

namespace {

// A clip whose duration reads this or less cannot be played (the deck loading's rule).
constexpr double kResumeUnplayableSeconds = 1.0;

constexpr FadeSlider kKeptSliders[] = {FadeSlider::SkipLast, FadeSlider::FadeInThreshold,
                                       FadeSlider::InSpeed, FadeSlider::OutSpeed};

std::size_t ResumeDeckIndex(Deck deck) {
    return static_cast<std::size_t>(DeckNumber(deck) - 1);
}

std::string SetAsideLine(const std::string& path, const std::string& why) {
    return "korvale: the kept run " + path + " is not resumed: " + why;
}

void RestoreMixStyle(MixStyleSettings& settings, const MixStyleRun& style) {
    settings.SetMixStyleIndex(style.index);
    for (const FadeSlider slider : kKeptSliders) {
        settings.SliderMovedByUser(slider, style.sliders[static_cast<std::size_t>(slider)]);
    }
    settings.ReadFadeSliders();
    settings.WaitBoxToggledByUser(style.waitBox);
}

// Loads the deck's kept clip; whether it holds it, playable, afterwards.
bool ReloadDeck(Korvale& core, Deck deck, const DeckRun& run, bool plays) {
    const PlayList& list = core.List();
    const int selected = list.SelectedIndex();
    const LoadOrigin origin = selected >= 0 && list.Text(selected) == run.clip
                                  ? LoadOrigin::PlayListSelection
                                  : LoadOrigin::Other;
    const double start = plays ? std::max(0.0, run.position - kResumeRewindSeconds) : run.position;
    DeckPlayers& decks = core.Decks();
    decks.LoadClipOnDeck(run.clip, deck == Deck::A ? DeckChoice::Deck1 : DeckChoice::Deck2, start,
                         origin);
    const CMediaPlayer& player = decks.Player(deck);
    return player.GetFileName() == run.clip && player.GetDuration() > kResumeUnplayableSeconds;
}

} // namespace

KeptRunChoice ChooseKeptRun(const KeptRunFiles& files) {
    KeptRunChoice choice;
    const std::pair<const std::string*, const ReadFileResult*> copies[] = {
        {&files.currentPath, &files.current}, {&files.previousPath, &files.previous}};
    for (const auto& [path, read] : copies) {
        if (read->error == ReadFileError::Missing) {
            continue;
        }
        if (!read->Ok() && read->error != ReadFileError::Empty) {
            choice.complaints.push_back(SetAsideLine(*path, read->errorText));
            continue;
        }
        RunStateReading reading = DecodeRunState(read->bytes);
        if (!reading.state) {
            choice.complaints.push_back(SetAsideLine(*path, RunStateFaultText(reading.fault)));
            continue;
        }
        if (reading.state->ended) {
            return choice;
        }
        choice.state = std::move(reading.state);
        const std::optional<RunPositions> positions =
            files.positions.Ok() ? NewestRunPositions(files.positions.bytes) : std::nullopt;
        if (positions && positions->serial == choice.state->serial) {
            for (std::size_t i = 0; i < choice.state->decks.size(); ++i) {
                choice.state->decks[i].position = positions->positions[i];
                choice.state->decks[i].fader = positions->faders[i];
            }
        }
        return choice;
    }
    return choice;
}

void ResumeRun(Korvale& core, const RunState& state) {
    if (state.ended) {
        return;
    }
    PlayList& list = core.Store().List();
    list.ReplaceAll(*state.entries);
    list.Select(state.selected);
    RestoreMixStyle(core.Settings(), state.style);

    const std::optional<Deck> fadingInto =
        state.fadingInto == 0 ? std::nullopt
                              : std::optional<Deck>(static_cast<Deck>(state.fadingInto));
    const auto plays = [&](Deck deck) {
        return fadingInto ? deck == *fadingInto : state.decks[ResumeDeckIndex(deck)].playing;
    };
    // The decks that play load and start first: a broken clip on the other deck may load the
    // entries after it, which must find those decks taken.
    std::vector<Deck> order(std::begin(kDecks), std::end(kDecks));
    std::stable_partition(order.begin(), order.end(), plays);
    DeckPlayers& decks = core.Decks();
    for (const Deck deck : order) {
        const DeckRun& run = state.decks[ResumeDeckIndex(deck)];
        // A cross-fade ends as if it had finished: its outgoing deck stays closed.
        if (run.clip.empty() || (fadingInto && deck != *fadingInto)) {
            continue;
        }
        if (!ReloadDeck(core, deck, run, plays(deck))) {
            if (plays(deck)) {
                decks.CloseDeck(deck); // gone or broken: the run goes on with the next clip
            }
            continue;
        }
        decks.SetFaderPosition(deck, fadingInto ? kFaderFullLevel : run.fader);
        decks.ApplyFadersToDecks();
        if (plays(deck)) {
            decks.PlayDeck(deck);
        }
    }
    core.SetLoadNext(state.loadNext);
    core.SetMixNext(state.mixNext);
    if (fadingInto) {
        core.Fade().EndOfMix();
    }
}

} // namespace korvale
