#include "support/EngineWindowRun.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>

#include "decks/MixDirection.h"
#include "ui/PlayListModel.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"
#include "support/WindowFixture.h"

namespace korvale::testing {

namespace {

constexpr int kFullLevel = 0;
constexpr int kDeckCount = 2;

} // namespace

EngineWindowRun::EngineWindowRun(MediaVoice& deck1, MediaVoice& deck2)
    : m_deck1(deck1), m_deck2(deck2) {
    WindowServices services;
    services.deck1 = &m_deck1;
    services.deck2 = &m_deck2;
    services.mci = &m_mci;
    services.devices = &m_devices;
    services.dialogs = &m_dialogs;
    services.shell = &m_shell;
    m_window = test::MakeTestWindow(services);
}

EngineWindowRun::~EngineWindowRun() = default;

bool EngineWindowRun::Fading() const {
    return m_window->State().g_mixPhase == kMixPhaseFading;
}

std::string EngineWindowRun::ElapsedText(int deck) {
    QLabel* label = m_window->findChild<QLabel*>(deck == 2 ? "ElapsedB" : "ElapsedA");
    return label != nullptr ? label->text().toStdString() : std::string();
}

template <typename Event> void EngineWindowRun::Run(Event&& event) {
    const bool wasFading = Fading();
    event();
    const bool fading = Fading();
    if (!wasFading && fading) {
        ++m_handOversStarted;
        m_pathsAtFadeStart = {m_deck1.isOpen() ? m_deck1.path() : std::string(),
                              m_deck2.isOpen() ? m_deck2.path() : std::string()};
    }
    if (wasFading && !fading) {
        // Completed: one deck playing at full level, the other no longer playing the clip
        // it held when the fade began (closed, or "LOAD NEXT" has put the next clip there).
        for (int incoming = 1; incoming <= kDeckCount; ++incoming) {
            MediaVoice& in = incoming == 1 ? m_deck1 : m_deck2;
            MediaVoice& out = incoming == 1 ? m_deck2 : m_deck1;
            const std::string& outgoingPath = m_pathsAtFadeStart[kDeckCount - incoming];
            const bool outgoingGone = !out.isOpen() || out.path() != outgoingPath ||
                                      out.playState() != VoicePlayState::Playing;
            if (m_window->Fader(incoming)->Position() == kFullLevel &&
                in.playState() == VoicePlayState::Playing && outgoingGone) {
                ++m_handOversCompleted;
                break;
            }
        }
    }
    const bool timerRunning = m_window->IsTimerRunning(kFadeTimerId);
    if (timerRunning && !m_fadeTimerRunning) {
        m_fadeDueMs = m_nowMs + kFadeTimerMs;
    }
    m_fadeTimerRunning = timerRunning;
    for (MediaVoice* voice : {&m_deck1, &m_deck2}) {
        if (voice->isOpen()) {
            m_loaded.insert(voice->path());
        }
    }
}

void EngineWindowRun::Gather(const std::string& file, int filter) {
    m_dialogs.openChoices.push_back({file, filter});
    Run([this] { m_window->LoadButton->click(); });
}

void EngineWindowRun::StartUnattended() {
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

void EngineWindowRun::AfterSlice(bool audible) {
    for (int deck = 1; deck <= kDeckCount; ++deck) {
        MediaVoice& voice = deck == 1 ? m_deck1 : m_deck2;
        const double position = voice.positionSeconds();
        double& last = m_lastPosition[deck - 1];
        if (audible && voice.playState() == VoicePlayState::Playing &&
            m_window->Fader(deck)->Position() == kFullLevel && position > last && last >= 0.0) {
            m_heard.insert(voice.path());
        }
        last = position;
    }
    CKORVALEDlg& w = *m_window;
    m_nowMs += kSliceMs;
    Run([&w] { w.OnTimer(kTickTimerId); });
    if (m_fadeTimerRunning && m_nowMs >= m_fadeDueMs) {
        m_fadeDueMs += kFadeTimerMs;
        Run([&w] { w.OnTimer(kFadeTimerId); });
    }
}

} // namespace korvale::testing
