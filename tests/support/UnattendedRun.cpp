#include "support/UnattendedRun.h"

#include <QPushButton>

#include <cmath>

#include "core/FaderUnits.h"
#include "decks/MixDirection.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"
#include "support/WindowFixture.h"

namespace korvale::testing {

namespace {

constexpr double kFaderUnitsPerDecade = 2000.0;

double FaderGain(int position) {
    return std::pow(10.0, -position / kFaderUnitsPerDecade);
}

} // namespace

UnattendedRun::UnattendedRun(std::vector<std::string> playList)
    : m_offline(kSampleRate, kSliceFrames), m_deck1(m_offline.voice(VoiceId::Deck1)),
      m_deck2(m_offline.voice(VoiceId::Deck2)) {
    for (const std::string& path : playList) {
        if (m_fileIndex.emplace(path, static_cast<int>(m_files.size())).second) {
            m_files.push_back(path);
        }
    }
    WindowServices services;
    services.deck1 = &m_deck1;
    services.deck2 = &m_deck2;
    services.mci = &m_mci;
    services.devices = &m_devices;
    services.dialogs = &m_dialogs;
    m_window = test::MakeTestWindow(services);
    m_window->PlayListBox->AppendMany(std::move(playList));
}

UnattendedRun::~UnattendedRun() = default;

int UnattendedRun::FileOf(const std::string& path) const {
    const auto it = m_fileIndex.find(path);
    return it == m_fileIndex.end() ? -1 : it->second;
}

double UnattendedRun::SecondsRendered() const {
    return static_cast<double>(m_nowMs) / 1000.0;
}

template <typename Event> void UnattendedRun::Run(Event&& event) {
    CKORVALEDlg& w = *m_window;
    const bool wasFading = w.State().g_mixPhase == kMixPhaseFading;
    event();
    const bool fading = w.State().g_mixPhase == kMixPhaseFading;

    if (wasFading && !fading) {
        CountingVoice& outgoing = m_incomingDeck == 1 ? m_deck2 : m_deck1;
        if (m_incomingDeck != 0 && w.Fader(m_incomingDeck)->Position() == kFaderFullLevel &&
            outgoing.Closes() > m_outgoingClosesAtStart) {
            ++m_handOversCompleted;
        }
    }
    if (!wasFading && fading) {
        ++m_handOversStarted;
        m_incomingDeck = IncomingDeckOf(w.State().g_mixDirection);
        m_outgoingClosesAtStart = (m_incomingDeck == 1 ? m_deck2 : m_deck1).Closes();
    }

    const bool timerRunning = w.IsTimerRunning(kFadeTimerId);
    if (timerRunning && !m_fadeTimerRunning) {
        m_fadeDueMs = m_nowMs + kFadeTimerMs;
    }
    m_fadeTimerRunning = timerRunning;

    for (const int deck : {1, 2}) {
        const CountingVoice& voice = deck == 1 ? m_deck1 : m_deck2;
        const auto index = static_cast<std::size_t>(deck - 1);
        if (voice.playState() == VoicePlayState::Playing &&
            m_startedInstance[index] != voice.Opens()) {
            m_startedInstance[index] = voice.Opens();
            m_clipsStarted.push_back(FileOf(voice.path()));
        }
    }
}

void UnattendedRun::Start() {
    CKORVALEDlg& w = *m_window;
    Run([&w] {
        PlayListView* view = w.PlayListBox;
        view->selectionModel()->setCurrentIndex(view->model()->index(0, 0),
                                                QItemSelectionModel::ClearAndSelect);
    });
    Run([&w] { w.LoadNextCheck->click(); });
    Run([&w] { w.MixNextCheck->click(); });
    Run([&w] { w.MixButton->click(); });
}

SliceRecord UnattendedRun::RenderSlice(float* audio) {
    CKORVALEDlg& w = *m_window;
    SliceRecord record;
    record.fading = w.State().g_mixPhase == kMixPhaseFading;
    for (const int deck : {1, 2}) {
        const CountingVoice& voice = deck == 1 ? m_deck1 : m_deck2;
        const auto index = static_cast<std::size_t>(deck - 1);
        DeckSlice& slice = record.decks[index];
        const DeckSlice& previous = m_previous[index];
        const bool sameClip = voice.Opens() == m_previousInstance[index];
        if (voice.playState() == VoicePlayState::Playing) {
            slice.file = FileOf(voice.path());
            slice.gainEnd = FaderGain(w.Fader(deck)->Position());
            slice.gainStart = sameClip ? previous.gainEnd : 0.0;
        } else if (previous.gainEnd > 0.0) {
            // Left the mix since the last slice: it ramps out.
            slice.file = previous.file;
            slice.gainStart = previous.gainEnd;
            slice.gainEnd = 0.0;
        }
        m_previousInstance[index] = voice.Opens();
    }
    m_previous = record.decks;

    m_offline.output().pullInto(audio, kSliceFrames);

    m_nowMs += kSliceMs;
    Run([&w] { w.OnTimer(kTickTimerId); });
    if (m_fadeTimerRunning && m_nowMs >= m_fadeDueMs) {
        m_fadeDueMs += kFadeTimerMs;
        Run([&w] { w.OnTimer(kFadeTimerId); });
    }
    return record;
}

} // namespace korvale::testing
