// The cue player: pre-listening to a deck's clip through the media-command device, with
// Mark In, GoTo Cue and Set Cue.
#include "ui/CKORVALEDlg.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "core/PathLength.h"
#include "decks/TimeText.h"
#include "platform/Dialogs.h"
#include "platform/MciDevice.h"
#include "ui/TrackBar.h"

namespace korvale {

namespace {

constexpr int kCueTimerPeriodMs = 39;
constexpr int kCuePlaying = 1;
constexpr int kCueNotPlaying = 0;
constexpr int kNoCueTimer = -1;
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

// The cue clip's path as bytes, kept beside the label's shown text (which is decoded for
// display and may not give the bytes back).
constexpr char kClipPathProperty[] = "korvaleClipPath";

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

QString TimeTextOf(std::int32_t milliseconds) {
    return QString::fromStdString(FormatTimeText(milliseconds * kSecondsPerMillisecond));
}

// Shows the wait cursor for its lifetime.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

std::string SendCommand(MciDevice* device, const std::string& command) {
    return device != nullptr ? device->sendString(command) : std::string();
}

void SetClipName(QLabel* label, const std::string& path) {
    label->setProperty(kClipPathProperty, QByteArray::fromStdString(path));
    SetLabelText(label, QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
}

// The cue clip's name read back from its label, one character short of the path limit.
std::string ReadClipName(const QLabel* label) {
    std::string path = label->property(kClipPathProperty).toByteArray().toStdString();
    return FirstPathCharacters(path, kReadBackCharacters);
}

} // namespace

void CKORVALEDlg::CueFromDeck(int deck) {
    CMediaPlayer& player = Player(deck);
    const std::string name = player.GetFileName();
    if (name.empty()) {
        return;
    }
    if (player.GetPlayState() == CMediaPlayer::kPlayStatePlaying) {
        return; // a playing deck cannot be cued
    }
    CloseCuePlayer();
    LoadCueClip(name);
    SetClipName(CueClipName, player.GetFileName());
}

int CKORVALEDlg::LoadCueClip(const std::string& path) {
    MciDevice* device = m_services.mci;
    EnableCueControls();

    std::optional<std::string> shortPath;
    if (device != nullptr && FitsPathLimit(path)) {
        shortPath = device->shortPath(path);
    }
    if (!shortPath) {
        if (m_services.dialogs != nullptr) {
            m_services.dialogs->messageBox(
                this, "Clip's '" + path + "' name can not converted to short filename",
                kNoShortNameCaption, MessageIcon::Exclamation, MessageButtons::Ok);
        }
        CloseCuePlayer();
        return kLoadFailed;
    }

    std::int32_t length = 0;
    {
        const WaitCursor waitCursor;
        SetStatus(kLoadingStatus);
        SendCommand(device, kOpenCommandFront + *shortPath + kOpenCommandBack);
        SetStatus(kSettingUpStatus);
        SendCommand(device, kTimeFormatCommand);
        length = ReplyMilliseconds(SendCommand(device, kLengthQuery));
    }

    if (length >= 1) {
        SetStatus("'" + path + "' - Loaded on Cue Player");
        SetLabelText(CuePlayTime, QString::fromUtf8(kTimeTextReset.data(),
                                                    static_cast<qsizetype>(kTimeTextReset.size())));
        CuePositionSlider->SetRangeSilently(0, length);
        CuePositionSlider->setPageStep(1);
        CuePositionSlider->SetPositionSilently(0);
        SetLabelText(CueDuration, TimeTextOf(length));
    } else {
        if (m_services.dialogs != nullptr) {
            m_services.dialogs->messageBox(this, "Can't read the size of '" + path + "' ",
                                           kNoLengthCaption, MessageIcon::Exclamation,
                                           MessageButtons::Ok);
        }
        CloseCuePlayer();
    }
    SetStatus(kReadyStatus);
    return kLoadDone;
}

void CKORVALEDlg::CloseCuePlayer() {
    MciDevice* device = m_services.mci;
    SendCommand(device, kPauseCommand);
    m_state.g_cuePlaying = kCueNotPlaying;
    if (m_state.g_cueTimer == kCueTimerId) {
        KillTimer(kCueTimerId);
        m_state.g_cueTimer = kNoCueTimer;
    }
    SendCommand(device, kStopCommand);
    SendCommand(device, kCloseCommand);
    SendCommand(device, kCloseAllCommand);

    const QString reset =
        QString::fromUtf8(kTimeTextReset.data(), static_cast<qsizetype>(kTimeTextReset.size()));
    SetLabelText(CueDuration, reset);
    SetLabelText(CuePlayTime, reset);
    SetLabelText(CuePositionDisplay, reset);
    for (QPushButton* button : {SetCueButton, MarkInButton, GoToCueButton, CuePlayPauseButton}) {
        button->setEnabled(false);
    }
    CuePositionSlider->SetPositionSilently(0);
    CuePlayPauseButton->setText(QString::fromLatin1(kPlayCaption));
    SetClipName(CueClipName, std::string());
}

void CKORVALEDlg::EnableCueControls() {
    for (QPushButton* button : {MarkInButton, GoToCueButton, SetCueButton, CuePlayPauseButton}) {
        button->setEnabled(true);
    }
    CuePositionSlider->SetPositionSilently(0);
}

void CKORVALEDlg::RefreshCuePosition() {
    const std::int32_t position = ReplyMilliseconds(SendCommand(m_services.mci, kPositionQuery));
    SetLabelText(CuePlayTime, TimeTextOf(position));
    CuePositionSlider->SetPositionSilently(position);
}

void CKORVALEDlg::ToggleCuePlay() {
    if (m_state.g_cuePlaying == kCueNotPlaying) {
        CuePlayPauseButton->setText(QString::fromLatin1(kStopCaption));
        SendCommand(m_services.mci, kPlayCommand);
        m_state.g_cuePlaying = kCuePlaying;
        if (m_state.g_cueTimer == kNoCueTimer) {
            m_state.g_cueTimer = kCueTimerId;
            SetTimer(kCueTimerId, kCueTimerPeriodMs);
        }
        return;
    }
    CuePlayPauseButton->setText(QString::fromLatin1(kPlayCaption));
    SendCommand(m_services.mci, kPauseCommand);
    m_state.g_cuePlaying = kCueNotPlaying;
    if (m_state.g_cueTimer == kCueTimerId) {
        KillTimer(kCueTimerId);
        m_state.g_cueTimer = kNoCueTimer;
    }
}

void CKORVALEDlg::MarkCueIn() {
    const std::int32_t position = ReplyMilliseconds(SendCommand(m_services.mci, kPositionQuery));
    SetLabelText(CuePositionDisplay, TimeTextOf(position));
}

void CKORVALEDlg::GoToCuePoint() {
    const QString cueText = CuePositionDisplay->text();
    const std::string cueBytes = FirstPathCharacters(cueText.toStdString(), kReadBackCharacters);
    const std::int32_t milliseconds = ParseTimeText(cueBytes);
    SetLabelText(CuePlayTime, cueText);
    SendCommand(m_services.mci, kSeekCommandFront + std::to_string(milliseconds));
    CuePositionSlider->SetPositionSilently(milliseconds);
    if (m_state.g_cuePlaying == kCuePlaying) {
        ToggleCuePlay();
    }
    CuePositionSlider->setFocus(Qt::OtherFocusReason);
}

void CKORVALEDlg::SetCueOnDecks() {
    GoToCuePoint();
    const std::int32_t position = ReplyMilliseconds(SendCommand(m_services.mci, kPositionQuery));
    const double startSeconds = position * kSecondsPerMillisecond;
    const std::string clip = ReadClipName(CueClipName);
    // An empty name is no clip: a closed deck's empty name must not count as holding it.
    if (!clip.empty()) {
        if (PlayerA.GetFileName() == clip) {
            LoadClipOnDeck(clip, kDeckChoiceDeck1, startSeconds);
        }
        if (PlayerB.GetFileName() == clip) {
            LoadClipOnDeck(clip, kDeckChoiceDeck2, startSeconds);
        }
    }
    CloseCuePlayer();
}

void CKORVALEDlg::CueSliderMoved() {
    SendCommand(m_services.mci, kSeekCommandFront + std::to_string(CuePositionSlider->Position()));
    RefreshCuePosition();
    if (m_state.g_cuePlaying == kCuePlaying) {
        ToggleCuePlay();
    }
}

} // namespace korvale
