#include "core/CuePlayer.h"

#include <cstdlib>
#include <limits>

#include "core/ChangeNotices.h"
#include "core/CoreHost.h"
#include "core/DeckPlayers.h"
#include "core/StatusLine.h"
#include "core/TimeText.h"
#include "interfaces/Dialogs.h"
#include "interfaces/MciDevice.h"
#include "interfaces/PathLength.h"

namespace korvale {

namespace {

constexpr double kSecondsPerMillisecond = 0.001;
constexpr int kLoadFailed = -1;
constexpr int kLoadDone = 0;
// A text read back from a control keeps one character less than the path limit.
constexpr std::size_t kReadBackCharacters = kMaxPathCharacters - 1;

constexpr char kOpenCommandFront[] = "open ";
constexpr char kOpenCommandBack[] = " alias movie ";
constexpr char kTimeFormatCommand[] = "set movie time format milliseconds wait";
constexpr char kLengthQuery[] = "status movie length";
constexpr char kPositionQuery[] = "status movie position";
constexpr char kPlayCommand[] = "play movie";
constexpr char kPauseCommand[] = "pause movie";
constexpr char kSeekCommandFront[] = "seek movie to ";
constexpr char kStopCommand[] = "stop movie";
constexpr char kCloseCommand[] = "close movie";
constexpr char kCloseAllCommand[] = "close all";

constexpr char kPlayCaption[] = "Play";
constexpr char kStopCaption[] = "Stop";
constexpr char kLoadingStatus[] = "Loading...";
constexpr char kSettingUpStatus[] = "Setting up...";
constexpr char kReadyStatus[] = "Selecting 'Play' the Cue clip will play on the master output";
constexpr char kNoShortNameCaption[] = "Selected clip will not load";
constexpr char kNoLengthCaption[] = "Selected movie not loaded";

// A reply in decimal milliseconds, read from its leading digits as a signed 32-bit number;
// anything else (an empty reply after a failure) reads as 0.
std::int32_t ReplyMilliseconds(const std::string& reply) {
    const long long value = std::strtoll(reply.c_str(), nullptr, 10);
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

std::string TimeTextOf(std::int32_t milliseconds) {
    return FormatTimeText(milliseconds * kSecondsPerMillisecond);
}

} // namespace

CuePlayer::CuePlayer(MciDevice* device, Dialogs* dialogs, DeckPlayers& decks, CoreHost& host,
                     StatusLine& status, ChangeNotices& changes)
    : m_device(device), m_dialogs(dialogs), m_decks(decks), m_host(host), m_status(status),
      m_changes(changes), m_durationText(kTimeTextReset), m_playTimeText(kTimeTextReset),
      m_cuePointText(kTimeTextReset) {}

std::string CuePlayer::Send(const std::string& command) {
    return m_device != nullptr ? m_device->sendString(command) : std::string();
}

void CuePlayer::Changed() {
    m_changes.Notify(CorePart::Cue);
}

void CuePlayer::SetSliderPosition(int position) {
    m_sliderPosition = position;
    Changed();
}

void CuePlayer::StopCueTimer() {
    if (m_timerRunning) {
        m_host.KillTimer(TimerId::Cue);
        m_timerRunning = false;
    }
}

void CuePlayer::CueFromDeck(Deck deck) {
    const CMediaPlayer& player = m_decks.Player(deck);
    const std::string name = player.GetFileName();
    if (name.empty()) {
        return;
    }
    if (player.GetPlayState() == VoicePlayState::Playing) {
        return; // a playing deck cannot be cued
    }
    CloseCuePlayer();
    LoadCueClip(name);
    m_clipName = player.GetFileName();
    Changed();
}

int CuePlayer::LoadCueClip(const std::string& path) {
    EnableCueControls();
    std::optional<std::string> shortPath;
    if (m_device != nullptr && FitsPathLimit(path)) {
        shortPath = m_device->shortPath(path);
    }
    if (!shortPath) {
        if (m_dialogs != nullptr) {
            m_dialogs->messageBox("Clip's '" + path + "' name can not converted to short filename",
                                  kNoShortNameCaption, MessageIcon::Exclamation,
                                  MessageButtons::Ok);
        }
        CloseCuePlayer();
        return kLoadFailed;
    }

    m_host.BeginBusy();
    m_status.SetStatus(kLoadingStatus);
    Send(kOpenCommandFront + *shortPath + kOpenCommandBack);
    m_status.SetStatus(kSettingUpStatus);
    Send(kTimeFormatCommand);
    const std::int32_t length = ReplyMilliseconds(Send(kLengthQuery));
    m_host.EndBusy();

    if (length >= 1) {
        m_status.SetStatus("'" + path + "' - Loaded on Cue Player");
        m_playTimeText = kTimeTextReset;
        m_sliderMinimum = 0;
        m_sliderMaximum = length;
        m_durationText = TimeTextOf(length);
        SetSliderPosition(0);
    } else {
        if (m_dialogs != nullptr) {
            m_dialogs->messageBox("Can't read the size of '" + path + "' ", kNoLengthCaption,
                                  MessageIcon::Exclamation, MessageButtons::Ok);
        }
        CloseCuePlayer();
    }
    m_status.SetStatus(kReadyStatus);
    return kLoadDone;
}

void CuePlayer::CloseCuePlayer() {
    Send(kPauseCommand);
    m_playing = false;
    StopCueTimer();
    Send(kStopCommand);
    Send(kCloseCommand);
    Send(kCloseAllCommand);

    m_durationText = kTimeTextReset;
    m_playTimeText = kTimeTextReset;
    m_cuePointText = kTimeTextReset;
    m_controlsEnabled = false;
    m_playCaption = kPlayCaption;
    m_clipName.clear();
    SetSliderPosition(0);
}

void CuePlayer::EnableCueControls() {
    m_controlsEnabled = true;
    SetSliderPosition(0);
}

void CuePlayer::RefreshCuePosition() {
    const std::int32_t position = ReplyMilliseconds(Send(kPositionQuery));
    std::string text = TimeTextOf(position);
    if (text != m_playTimeText || position != m_sliderPosition) {
        m_playTimeText = std::move(text);
        SetSliderPosition(position);
    }
}

void CuePlayer::ToggleCuePlay() {
    if (!m_playing) {
        m_playCaption = kStopCaption;
        Send(kPlayCommand);
        m_playing = true;
        if (!m_timerRunning) {
            m_timerRunning = true;
            m_host.SetTimer(TimerId::Cue, kCueTimerPeriodMs);
        }
        Changed();
        return;
    }
    m_playCaption = kPlayCaption;
    Send(kPauseCommand);
    m_playing = false;
    StopCueTimer();
    Changed();
}

void CuePlayer::MarkCueIn() {
    m_cuePointText = TimeTextOf(ReplyMilliseconds(Send(kPositionQuery)));
    Changed();
}

void CuePlayer::GoToCuePoint() {
    const std::string cueText = m_cuePointText;
    const std::int32_t milliseconds =
        ParseTimeText(FirstPathCharacters(cueText, kReadBackCharacters));
    m_playTimeText = cueText;
    Send(kSeekCommandFront + std::to_string(milliseconds));
    SetSliderPosition(milliseconds);
    if (m_playing) {
        ToggleCuePlay();
    }
    m_host.FocusCuePosition();
}

void CuePlayer::SetCueOnDecks() {
    GoToCuePoint();
    const std::int32_t position = ReplyMilliseconds(Send(kPositionQuery));
    const double startSeconds = position * kSecondsPerMillisecond;
    const std::string clip = FirstPathCharacters(m_clipName, kReadBackCharacters);
    // An empty name is no clip: a closed deck's empty name must not count as holding it.
    if (!clip.empty()) {
        if (m_decks.Player(Deck::A).GetFileName() == clip) {
            m_decks.LoadClipOnDeck(clip, DeckChoice::Deck1, startSeconds);
        }
        if (m_decks.Player(Deck::B).GetFileName() == clip) {
            m_decks.LoadClipOnDeck(clip, DeckChoice::Deck2, startSeconds);
        }
    }
    CloseCuePlayer();
}

void CuePlayer::CueSliderMoved() {
    Send(kSeekCommandFront + std::to_string(m_sliderPosition));
    RefreshCuePosition();
    if (m_playing) {
        ToggleCuePlay();
    }
}

void CuePlayer::StopAndCloseDevice() {
    Send(kStopCommand);
    Send(kCloseCommand);
}

} // namespace korvale
