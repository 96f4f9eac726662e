#include <QLabel>

#include <array>
#include <cstdio>
#include <string>

#include "decks/ClipDisplayName.h"
#include "decks/FaderUnits.h"
#include "decks/TimeText.h"
#include "playlist/PlayListSteps.h"
#include "ui/CKORVALEDlg.h"
#include "ui/ClickLabel.h"
#include "ui/FormatText.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

namespace korvale {

namespace {

constexpr int kDeck1 = 1;
constexpr int kDeck2 = 2;
// A clip whose duration reads this or less right after opening cannot be played.
constexpr double kUnplayableDurationSeconds = 1.0;
// Position a player reports when it holds no clip.
constexpr double kNoClipPosition = -1.0;

constexpr char kLoadedFormat[] = "%s - Loaded on Player %d";
constexpr char kClipNameFormat[] = "Player %d: %s";
constexpr char kBothPlayingText[] = "Both players are playing - clip not loaded";

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The deck a DeckChoice code names: 1 for codes 1 and 3, 2 for code 2, 0 for none.
int DeckOfChoice(int deckChoice) {
    switch (deckChoice) {
    case kDeckChoiceDeck1:
    case kDeckChoiceBothEmpty:
        return kDeck1;
    case kDeckChoiceDeck2:
        return kDeck2;
    default:
        return 0;
    }
}

// Opens `path` on `deck` without starting it: the fader to the load position (raising no
// scroll notification), the volume to match, auto-start off, the file, the start point.
void OpenOnDeck(CKORVALEDlg& window, int deck, const std::string& path, double startSeconds) {
    window.Fader(deck)->SetPositionSilently(kFaderLoadPosition);
    SetLabelText(window.FaderLabel(deck), ToQString(FaderLoadLabelText()));
    CMediaPlayer& player = window.Player(deck);
    player.SetVolume(-kFaderLoadPosition);
    player.SetAutoStart(false);
    player.SetFileName(path);
    player.SetStartPosition(startSeconds);
}

bool IsUnplayable(CKORVALEDlg& window, int deck) {
    return window.Player(deck).GetDuration() <= kUnplayableDurationSeconds;
}

void ShowLoaded(CKORVALEDlg& window, const std::string& path, int deck) {
    window.SetStatus(FormatText(kLoadedFormat, ClipDisplayName(path).c_str(), deck));
}

// Drops the selected entry after its clip proved unplayable and loads the entry that took
// its place, over and over while those prove unplayable too. Each turn removes one entry,
// so the loop ends; it runs in constant stack depth however long the run of bad entries.
// The effects come in the order of a removal that loads the next entry, which loads and
// removes in turn: every clip stays on the deck it was loaded on until a deck choice takes
// that deck over, and the loaded clip's status is shown as it loads.
void DropUnplayableRun(CKORVALEDlg& window) {
    while (DropSelectedEntry(window)) {
        const std::optional<SelectedLoad> load = PrepareSelectedLoad(window);
        if (!load) {
            return;
        }
        const int deck = DeckOfChoice(load->deckChoice);
        if (deck == 0) {
            window.SetStatus(kBothPlayingText);
            return;
        }
        OpenOnDeck(window, deck, load->path, 0.0);
        if (!IsUnplayable(window, deck)) {
            ShowLoaded(window, load->path, deck);
            return;
        }
    }
}

} // namespace

int CKORVALEDlg::ChooseDeck() {
    const bool deck1Loaded = !PlayerA.GetFileName().empty();
    const bool deck2Loaded = !PlayerB.GetFileName().empty();
    if (!deck1Loaded && !deck2Loaded) {
        return kDeckChoiceBothEmpty;
    }
    if (!deck1Loaded) {
        return kDeckChoiceDeck1;
    }
    if (!deck2Loaded) {
        return kDeckChoiceDeck2;
    }
    // Both hold a clip: a deck that is not playing is taken over, deck 1 first. Its displays
    // are left for the next refresh to reset.
    for (const int deck : {kDeck1, kDeck2}) {
        CMediaPlayer& player = Player(deck);
        if (player.GetPlayState() != CMediaPlayer::kPlayStatePlaying) {
            player.Stop();
            player.SetFileName(std::string());
            return deck == kDeck1 ? kDeckChoiceDeck1 : kDeckChoiceDeck2;
        }
    }
    return kDeckChoiceBothPlaying;
}

void CKORVALEDlg::LoadClipOnDeck(const std::string& path, int deckChoice, double startSeconds,
                                 LoadOrigin origin) {
    const int deck = DeckOfChoice(deckChoice);
    if (deck == 0) {
        SetStatus(kBothPlayingText);
        return;
    }
    OpenOnDeck(*this, deck, path, startSeconds);
    // An unplayable clip loaded from elsewhere (the cue player's Set Cue) stays on its deck:
    // the selected entry may be another, good clip.
    const int selected = PlayListBox->SelectedIndex();
    if (IsUnplayable(*this, deck) && origin == LoadOrigin::PlayListSelection && selected >= 0 &&
        PlayListBox->Text(selected) == path) {
        DropUnplayableRun(*this);
    }
    // Shown last, so after a run of removals it names the clip this call loaded.
    ShowLoaded(*this, path, deck);
}

void CKORVALEDlg::PlayDeck(int deck) {
    Player(deck).Play();
}

void CKORVALEDlg::StopDeck(int deck) {
    Player(deck).Stop();
}

void CKORVALEDlg::CloseDeck(int deck) {
    CMediaPlayer& player = Player(deck);
    player.SetFileName(std::string());
    player.Stop();
    ResetTimeDisplays(deck);
}

void CKORVALEDlg::ResetTimeDisplays(int deck) {
    if (deck != kDeck1 && deck != kDeck2) {
        return;
    }
    m_shownDeckTimes[static_cast<std::size_t>(deck - kDeck1)] = kTimesNotShown;
    const QString reset = ToQString(kTimeTextReset);
    for (QLabel* display : deck == kDeck1 ? std::array<QLabel*, 3>{ElapsedA, TimeA, RemainA}
                                          : std::array<QLabel*, 3>{ElapsedB, TimeB, RemainB}) {
        SetLabelText(display, reset);
    }
}

void CKORVALEDlg::RefreshDeckDisplays() {
    struct Displays {
        int deck;
        QLabel* elapsed;
        QLabel* time;
        QLabel* remain;
    };
    for (const Displays& d :
         {Displays{kDeck1, ElapsedA, TimeA, RemainA}, Displays{kDeck2, ElapsedB, TimeB, RemainB}}) {
        CMediaPlayer& player = Player(d.deck);
        const double position = player.GetCurrentPosition();
        const double duration = player.GetDuration();
        ShownDeckTimes& shown = m_shownDeckTimes[static_cast<std::size_t>(d.deck - kDeck1)];
        if (position == shown.position && duration == shown.duration) {
            continue; // the texts it would set are the ones shown
        }
        if (position == kNoClipPosition) {
            ResetTimeDisplays(d.deck);
            shown = {position, duration};
            continue;
        }
        shown = {position, duration};
        SetLabelText(d.elapsed, ToQString(FormatTimeText(position)));
        SetLabelText(d.time, ToQString(FormatTimeText(duration)));
        SetLabelText(d.remain, ToQString(FormatTimeText(duration - position)));
    }
}

void CKORVALEDlg::ShowDeckClipName(int deck) {
    if (deck != kDeck1 && deck != kDeck2) {
        return;
    }
    CMediaPlayer& player = Player(deck);
    if (player.GetPlayState() == CMediaPlayer::kPlayStateClosed) {
        SetStatus(std::string());
        return;
    }
    SetStatus(FormatText(kClipNameFormat, deck, ClipDisplayName(player.GetFileName()).c_str()));
}

void CKORVALEDlg::ApplyDeckFaders() {
    for (const int deck : {kDeck1, kDeck2}) {
        const int position = Fader(deck)->Position();
        SetLabelText(FaderLabel(deck), ToQString(FaderLabelText(position)));
        Player(deck).SetVolume(-position);
        if (position >= kFaderCloseThreshold) {
            CloseDeck(deck);
        }
    }
}

} // namespace korvale
