#include "ui/WindowDisplay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <optional>
#include <string>
#include <string_view>

#include "core/Korvale.h"
#include "ui/ClickLabel.h"
#include "ui/PlayListView.h"
#include "ui/TimeDisplay.h"
#include "ui/TrackBar.h"

namespace korvale {

namespace {

// Play list sizes in pixels with the mic controls shown and hidden.
constexpr int kPlayListWidthMicOn = 175;
constexpr int kPlayListWidthMicOff = 223;
constexpr int kPlayListHeight = 368;

QString FromBytes(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Sets a label's text only when it differs, so unchanged displays are not redrawn.
void SetLabelText(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

// A label the core may not have written yet keeps its template caption.
void ShowOptional(QLabel* label, const std::optional<std::string>& text) {
    if (text) {
        SetLabelText(label, FromBytes(*text));
    }
}

// Checks or releases a checkable button without raising its handler.
void SetCheckedSilently(QAbstractButton* button, bool checked) {
    const QSignalBlocker blocker(button);
    button->setChecked(checked);
}

} // namespace

WindowDisplay::WindowDisplay(const ControlSet& controls, const Korvale& core)
    : m_controls(controls), m_core(core) {}

void WindowDisplay::ShowStatus() {
    SetLabelText(m_controls.StatusLine, FromBytes(m_core.StatusText()));
}

void WindowDisplay::ShowDecks() {
    const DeckPlayers& decks = m_core.Decks();
    struct Shown {
        Deck deck;
        TrackBar* fader;
        QLabel* label;
        TimeDisplay* elapsed;
        TimeDisplay* time;
        TimeDisplay* remain;
    };
    for (const Shown& d : {Shown{Deck::A, m_controls.FaderA, m_controls.FaderALabel,
                                 m_controls.ElapsedA, m_controls.TimeA, m_controls.RemainA},
                           Shown{Deck::B, m_controls.FaderB, m_controls.FaderBLabel,
                                 m_controls.ElapsedB, m_controls.TimeB, m_controls.RemainB}}) {
        d.fader->SetPositionSilently(decks.FaderPosition(d.deck));
        ShowOptional(d.label, decks.FaderLabel(d.deck));
        const DeckTimes& times = decks.Times(d.deck);
        // A time display repaints only when its text changes; those that change in one tick
        // are painted together.
        d.elapsed->setText(FromBytes(times.elapsed));
        d.time->setText(FromBytes(times.time));
        d.remain->setText(FromBytes(times.remain));
    }
}

void WindowDisplay::ShowFadeSettings() {
    const MixStyleSettings& settings = m_core.Settings();
    {
        const QSignalBlocker blocker(m_controls.MixStyleCombo);
        m_controls.MixStyleCombo->setCurrentIndex(settings.MixStyleIndex());
    }
    struct Shown {
        FadeSlider slider;
        TrackBar* bar;
        QLabel* label;
    };
    for (const Shown& s :
         {Shown{FadeSlider::SkipLast, m_controls.SkipLastSlider, m_controls.SkipLastLabel},
          Shown{FadeSlider::FadeInThreshold, m_controls.FadeInThresholdSlider,
                m_controls.FadeInThresholdLabel},
          Shown{FadeSlider::InSpeed, m_controls.InSpeedSlider, m_controls.InSpeedLabel},
          Shown{FadeSlider::OutSpeed, m_controls.OutSpeedSlider, m_controls.OutSpeedLabel}}) {
        s.bar->SetPositionSilently(settings.Position(s.slider));
        ShowOptional(s.label, settings.Label(s.slider));
    }
    SetCheckedSilently(m_controls.WaitFadeInCheck, settings.WaitBoxChecked());
    m_controls.FadeInThresholdSlider->setEnabled(settings.ThresholdEnabled());
    m_controls.FadeInThresholdLabel->setEnabled(settings.ThresholdEnabled());
}

void WindowDisplay::ShowCue() {
    const CuePlayer& cue = m_core.Cue();
    SetLabelText(m_controls.CueDuration, FromBytes(cue.DurationText()));
    SetLabelText(m_controls.CuePlayTime, FromBytes(cue.PlayTimeText()));
    SetLabelText(m_controls.CuePositionDisplay, FromBytes(cue.CuePointText()));
    SetLabelText(m_controls.CueClipName, FromBytes(cue.ClipName()));
    for (QPushButton* button : {m_controls.SetCueButton, m_controls.MarkInButton,
                                m_controls.GoToCueButton, m_controls.CuePlayPauseButton}) {
        button->setEnabled(cue.ControlsEnabled());
    }
    if (cue.PlayCaption()) {
        m_controls.CuePlayPauseButton->setText(FromBytes(*cue.PlayCaption()));
    }
    m_controls.CuePositionSlider->SetRangeSilently(cue.SliderMinimum(), cue.SliderMaximum());
    m_controls.CuePositionSlider->SetPositionSilently(cue.SliderPosition());
}

void WindowDisplay::ShowLevels() {
    const OutputLevels& levels = m_core.Levels();
    m_controls.MasterLevel->SetPositionSilently(levels.MasterPosition());
    m_controls.MicLevel->SetPositionSilently(levels.MicPosition());
    ShowOptional(m_controls.MasterLevelLabel, levels.MasterLabel());
    ShowOptional(m_controls.MicLevelLabel, levels.MicLabel());
    ShowOptional(m_controls.MasterCaption, levels.MasterCaption());
    ShowOptional(m_controls.CueCaption, levels.CueCaption());
    m_controls.MasterCaption->setEnabled(levels.MasterCaptionEnabled());
    m_controls.CueCaption->setEnabled(levels.CueCaptionEnabled());
    m_controls.MicButton->setEnabled(levels.MicButtonEnabled());
    SetCheckedSilently(m_controls.MicButton, levels.MicOn());
    if (levels.MicButtonCaption()) {
        m_controls.MicButton->setText(FromBytes(*levels.MicButtonCaption()));
    }
    SetCheckedSilently(m_controls.TOCheck, levels.TalkOverChecked());
    const bool micOn = levels.MicOn();
    m_controls.MicLevel->setVisible(micOn);
    m_controls.TOCheck->setVisible(micOn);
    m_controls.MicLevelLabel->setVisible(micOn);
    const int width = micOn ? kPlayListWidthMicOn : kPlayListWidthMicOff;
    if (m_controls.PlayListBox->width() != width) {
        const QPoint place = m_controls.PlayListBox->pos();
        m_controls.PlayListBox->setGeometry(place.x(), place.y(), width, kPlayListHeight);
    }
}

void WindowDisplay::ShowToggles() {
    SetCheckedSilently(m_controls.LoadNextCheck, m_core.LoadNext());
    SetCheckedSilently(m_controls.MixNextCheck, m_core.MixNext());
}

} // namespace korvale
