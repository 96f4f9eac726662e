#include "core/Korvale.h"

#include "core/FormatText.h"
#include "interfaces/Dialogs.h"
#include "interfaces/PathLength.h"
#include "interfaces/Shell.h"

namespace korvale {

namespace {

constexpr char kHelpPageName[] = "korvale_1_1_help.htm";
constexpr char kMixerNotOpenedText[] = "Mixer Not Opened";
constexpr char kMixerNotOpenedCaption[] = "Error!";
constexpr char kNoHelpProgramFormat[] =
    "No program to show the help page was found. The page is %s";
constexpr char kNoHelpProgramCaption[] = "Help";

} // namespace

// `*this` hands each part the services that Korvale provides itself (see the class).
Korvale::Korvale(const CoreServices& services, CoreHost& host)
    : m_services(services), m_host(host),
      m_store(services.dialogs, services.files, m_files, *this, *this, *this),
      m_files(services.dialogs, services.files, m_store.List(), *this),
      m_shuffle(services.dialogs, m_store.List(), host, *this, *this, *this),
      m_decks(services.deck1, services.deck2, *this, *this, *this),
      m_fade(m_decks, m_settings, m_leveling, *this, host, *this, *this), m_settings(*this),
      m_cue(services.mci, services.dialogs, m_decks, host, *this, *this),
      m_levels(services.devices, services.dialogs, *this),
      m_media(services.files, m_decks, m_fade, m_levels, m_store, *this),
      m_leveling(m_decks, *this) {}

void Korvale::Start(const std::string& workingDirectory, bool startTick) {
    m_levels.OnMicButton();
    if (!m_levels.OpenMixer() && m_services.dialogs != nullptr) {
        m_services.dialogs->messageBox(kMixerNotOpenedText, kMixerNotOpenedCaption,
                                       MessageIcon::Exclamation, MessageButtons::Ok);
    }
    // A folder too long to hold is not kept: the help page is not offered from it.
    m_appDirectory = (FitsPathLimit(workingDirectory) ? workingDirectory : std::string()) + "/";
    m_settings.SetUpSliders();
    m_levels.CheckAudioDevices();
    m_levels.ShowMixerNames();
    m_settings.FillMixStyles();
    m_levels.ReadMasterLevel();
    m_levels.ReadMicLevel();
    m_settings.ApplyMixStyle();
    m_tickWanted = startTick;
    StartOrStopTick();
}

void Korvale::Notify(CorePart part) {
    m_host.Changed(part);
    StartOrStopTick();
    if (m_watcher) {
        m_watcher(part);
    }
}

bool Korvale::TickCanAct() const {
    return m_decks.IsLoaded(Deck::A) || m_decks.IsLoaded(Deck::B) ||
           m_fade.Phase() == MixPhase::Fading || m_mixNext || m_cue.ControlsEnabled();
}

void Korvale::StartOrStopTick() {
    if (!m_tickWanted) {
        return;
    }
    const bool running = m_host.IsTimerRunning(TimerId::Tick);
    const bool wanted = TickCanAct();
    if (wanted && !running) {
        m_host.SetTimer(TimerId::Tick, kTickPeriodMs);
    } else if (!wanted && running) {
        m_host.KillTimer(TimerId::Tick);
    }
}

void Korvale::OnTimer(TimerId /*every timer runs the same tick*/) {
    m_leveling.Apply();
    m_decks.RefreshDeckDisplays();
    if (m_fade.Phase() == MixPhase::Fading) {
        m_fade.TickFade();
        return;
    }
    m_fade.TestMixNext();
    if (m_cue.TimerRunning()) {
        m_cue.RefreshCuePosition();
    }
}

void Korvale::OnVScroll() {
    m_decks.ApplyDeckFaders();
    m_levels.ApplyLevels();
}

void Korvale::OnHScroll() {
    m_settings.ReadFadeSliders();
    m_cue.CueSliderMoved();
}

void Korvale::StopEverything() {
    ReleaseToggles();
    m_decks.CloseDeck(Deck::A);
    m_decks.CloseDeck(Deck::B);
    m_cue.CloseCuePlayer();
}

void Korvale::ExitSequence() {
    StopEverything();
    m_cue.StopAndCloseDevice();
}

void Korvale::OpenHelpPage() {
    const std::string path = m_appDirectory + kHelpPageName;
    // A start-up folder too long for the page's path offers no help page.
    if (m_services.shell == nullptr || m_appDirectory.size() <= 1 || !FitsPathLimit(path)) {
        return;
    }
    if (!m_services.shell->openLocalFile(path) && m_services.dialogs != nullptr) {
        m_services.dialogs->messageBox(FormatText(kNoHelpProgramFormat, path.c_str()),
                                       kNoHelpProgramCaption, MessageIcon::Exclamation,
                                       MessageButtons::Ok);
    }
}

void Korvale::ShowAboutBox() {
    if (m_services.dialogs != nullptr) {
        m_services.dialogs->about();
    }
}

void Korvale::SetStatus(std::string text) {
    m_status = std::move(text);
    Notify(CorePart::Status);
}

void Korvale::SetLoadNext(bool down) {
    m_loadNext = down;
    Notify(CorePart::Toggles);
}

void Korvale::SetMixNext(bool down) {
    m_mixNext = down;
    Notify(CorePart::Toggles);
}

void Korvale::ReleaseToggles() {
    m_loadNext = false;
    m_mixNext = false;
    Notify(CorePart::Toggles);
}

// The steps that follow the parts' events.

void Korvale::LoadSelectedClip() {
    if (const std::optional<SelectedLoad> load = PrepareSelectedLoad()) {
        m_decks.LoadClipOnDeck(load->path, load->deckChoice, 0.0, LoadOrigin::PlayListSelection);
    }
}

std::optional<Korvale::SelectedLoad> Korvale::PrepareSelectedLoad() {
    std::optional<std::string> path = m_store.PathToLoad();
    if (!path) {
        return std::nullopt;
    }
    m_cue.CloseCuePlayer();
    SelectedLoad load;
    load.path = std::move(*path);
    load.deckChoice = m_decks.ChooseDeck();
    return load;
}

void Korvale::ClipOpened(Deck deck, bool fromStart) {
    m_leveling.ClipOpened(deck, fromStart);
}

void Korvale::SelectedClipUnplayable(const std::string& path) {
    // The selected entry may since name another clip: it is dropped only while it names
    // this one.
    const PlayList& list = m_store.List();
    const int selected = list.SelectedIndex();
    if (selected >= 0 && list.Text(selected) == path) {
        DropUnplayableRun();
    }
}

// Each turn removes one entry, so the loop ends; it runs in constant stack depth however
// long the run of bad entries. Every clip stays on the deck it was loaded on until a deck
// choice takes that deck over, and the loaded clip's status is shown as it loads.
void Korvale::DropUnplayableRun() {
    while (m_store.DropSelectedEntry()) {
        const std::optional<SelectedLoad> load = PrepareSelectedLoad();
        if (!load) {
            return;
        }
        const std::optional<Deck> deck = m_decks.OpenClipOnDeck(load->path, load->deckChoice, 0.0,
                                                                LoadOrigin::PlayListSelection);
        if (!deck) {
            return;
        }
        if (!m_decks.IsUnplayable(*deck)) {
            m_decks.ShowLoaded(load->path, *deck);
            return;
        }
    }
}

void Korvale::MixPressed() {
    m_cue.CloseCuePlayer();
}

void Korvale::MixEnded() {
    SetStatus(std::string());
    m_settings.SyncWaitBox();
    m_settings.ReadThresholdSlider();
    Notify(CorePart::OnAir);
    if (m_loadNext) {
        m_shuffle.AdvancePlayList();
    }
}

} // namespace korvale
