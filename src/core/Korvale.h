#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/ChangeNotices.h"
#include "core/ClipLeveling.h"
#include "core/CoreHost.h"
#include "core/CoreTypes.h"
#include "core/CrossFade.h"
#include "core/CuePlayer.h"
#include "core/DeckEvents.h"
#include "core/DeckPlayers.h"
#include "core/MediaControls.h"
#include "core/MixEvents.h"
#include "core/MixStyleSettings.h"
#include "core/MixToggles.h"
#include "core/OutputLevels.h"
#include "core/PlayListFiles.h"
#include "core/PlayListLoads.h"
#include "core/PlayListStore.h"
#include "core/ShuffleAndAdvance.h"
#include "core/SliderScroll.h"
#include "core/StatusLine.h"

namespace korvale {

class AudioDevices;
class Dialogs;
class FileSystem;
class MciDevice;
class MediaVoice;
class Shell;

// What the core drives. Pointers are not owned and must outlive the core; a null one is a
// facility the machine does not offer.
struct CoreServices {
    MediaVoice* deck1 = nullptr;
    MediaVoice* deck2 = nullptr;
    MciDevice* mci = nullptr;
    AudioDevices* devices = nullptr;
    Dialogs* dialogs = nullptr;
    Shell* shell = nullptr;
    FileSystem* files = nullptr;
};

// The system without its window: the play list, the two decks, the cross-fade and its mix
// styles, the cue player and the output levels, the status line and the two toggles, and
// the tick that drives them. Every front end (the window, the session bus) calls these
// operations; the front end that shows the state is told of changes through its CoreHost.
// Everything runs on the user-interface thread.
//
// Each part holds only the services it uses, through the small interfaces beside it: the
// status line, the change notices, the toggles and the vertical-scroll handler are Korvale's
// own; a load of the selected entry, the decks' loads and the cross-fade's MIX and end are
// events that Korvale sequences, running the steps that follow in the other parts.
class Korvale : private ChangeNotices,
                private StatusLine,
                private MixToggles,
                private DeckEvents,
                private MixEvents,
                private PlayListLoads,
                private SliderScroll {
public:
    static constexpr int kTickPeriodMs = 10;

    Korvale(const CoreServices& services, CoreHost& host);
    Korvale(const Korvale&) = delete;
    Korvale& operator=(const Korvale&) = delete;

    // The start-up sequence: the mic panel, the mixer ("Mixer Not Opened" when it cannot be
    // opened), the start-up folder, the sliders, the devices and mixer names, the mix
    // styles and the levels; the first mix style applied and, when asked, the tick started.
    void Start(const std::string& workingDirectory, bool startTick);

    // The one handler of every timer, whatever its id.
    void OnTimer(TimerId id);
    // After the user moved any vertical slider: both deck faders, then the levels.
    void OnVScroll() override;
    // After the user moved any horizontal slider: the fade settings, then the cue position.
    void OnHScroll();

    // "P": both decks and the cue player close, the toggles are released.
    void StopEverything();
    // "X" before the window goes: everything stops and the cue device is closed.
    void ExitSequence();
    void OpenHelpPage();
    void ShowAboutBox();

    // The status line.
    const std::string& StatusText() const { return m_status; }
    void SetStatus(std::string text) override;

    // LOAD NEXT and MIX NEXT.
    bool LoadNext() const override { return m_loadNext; }
    bool MixNext() const override { return m_mixNext; }
    void SetLoadNext(bool down);
    void SetMixNext(bool down);
    void ReleaseToggles() override;

    // The start-up folder with a trailing "/" ("/" alone when it was too long to hold).
    const std::string& AppDirectory() const { return m_appDirectory; }

    PlayListStore& Store() { return m_store; }
    PlayListFiles& Files() { return m_files; }
    ShuffleAndAdvance& Shuffler() { return m_shuffle; }
    DeckPlayers& Decks() { return m_decks; }
    CrossFade& Fade() { return m_fade; }
    MixStyleSettings& Settings() { return m_settings; }
    CuePlayer& Cue() { return m_cue; }
    OutputLevels& Levels() { return m_levels; }
    MediaControls& Media() { return m_media; }
    ClipLeveling& Leveling() { return m_leveling; }
    const ClipLeveling& Leveling() const { return m_leveling; }
    CoreHost& Host() { return m_host; }
    const PlayList& List() const { return m_store.List(); }
    const DeckPlayers& Decks() const { return m_decks; }
    const CrossFade& Fade() const { return m_fade; }
    const MixStyleSettings& Settings() const { return m_settings; }
    const CuePlayer& Cue() const { return m_cue; }
    const OutputLevels& Levels() const { return m_levels; }

    // Tells the front end that `part` of the shown state changed, and starts or stops the
    // tick as the change asks.
    void Notify(CorePart part) override;
    // Told of every change after the front end (empty: nobody); the run's keeper watches.
    void SetChangeWatcher(std::function<void(CorePart)> watcher) { m_watcher = std::move(watcher); }

private:
    // Whether a tick could do anything now: a deck holds a clip, a cross-fade runs, MIX NEXT
    // is down or the cue player is open. Otherwise the tick rests until a change that could
    // make it act.
    bool TickCanAct() const;
    void StartOrStopTick();

    // A load of the play list's selected entry: the cue player closes, a deck is chosen and
    // the clip loaded on it.
    void LoadSelectedClip() override;
    // What a load of the selected entry hands to the deck loading.
    struct SelectedLoad {
        std::string path;
        DeckChoice deckChoice = DeckChoice::BothEmpty;
    };
    // The first steps of LoadSelectedClip: the selected entry's path (none when nothing is
    // selected), the cue player closed and a deck chosen (which may empty a deck that is
    // loaded but not playing).
    std::optional<SelectedLoad> PrepareSelectedLoad();

    // What the decks tell: the clip leveling follows each open, and an unplayable clip of
    // the play list's selected entry drops it.
    void ClipOpened(Deck deck, bool fromStart) override;
    void SelectedClipUnplayable(const std::string& path) override;
    // Drops the selected entry after its clip proved unplayable and loads the entry that
    // took its place, over and over while those prove unplayable too.
    void DropUnplayableRun();

    // What the cross-fade tells: MIX closes the cue player; the end of a cross-fade clears
    // the status line, brings the fade settings back from their controls and, with LOAD
    // NEXT down, advances the play list.
    void MixPressed() override;
    void MixEnded() override;

    CoreServices m_services;
    CoreHost& m_host;
    std::string m_status;
    bool m_loadNext = false;
    bool m_mixNext = false;
    std::string m_appDirectory;
    // The front end runs the tick timer (Start was asked to); the core starts and stops it.
    bool m_tickWanted = false;
    std::function<void(CorePart)> m_watcher;

    // Some parts are handed a sibling that is built after them (the store its files, the
    // cross-fade the settings and the leveling); none uses another before Start.
    PlayListStore m_store;
    PlayListFiles m_files;
    ShuffleAndAdvance m_shuffle;
    DeckPlayers m_decks;
    CrossFade m_fade;
    MixStyleSettings m_settings;
    CuePlayer m_cue;
    OutputLevels m_levels;
    MediaControls m_media;
    ClipLeveling m_leveling;
};

} // namespace korvale
