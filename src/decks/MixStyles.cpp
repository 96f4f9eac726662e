// The Mix Style box, its presets and the four fade-setting sliders with their labels.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "decks/MixStyle.h"
#include "ui/CKORVALEDlg.h"
#include "ui/TrackBar.h"

namespace korvale {

namespace {

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void CKORVALEDlg::FillMixStyles() {
    const QSignalBlocker blocker(MixStyleCombo);
    MixStyleCombo->clear();
    for (const MixStyle& style : kMixStyles) {
        MixStyleCombo->addItem(
            QString::fromLatin1(style.name.data(), static_cast<qsizetype>(style.name.size())));
    }
    MixStyleCombo->setCurrentIndex(kMixStyleDefaultIndex);
}

void CKORVALEDlg::ApplyMixStyle() {
    const std::optional<MixStylePreset> preset = MixStylePresetAt(MixStyleCombo->currentIndex());
    if (!preset) {
        return; // no selection, or "CUSTOM": the settings stay as they are
    }
    m_state.g_skipLastSeconds = preset->skipLastSeconds;
    m_state.g_fadeInThreshold = preset->fadeInThreshold;
    m_state.g_inSpeed = preset->inSpeed;
    m_state.g_outSpeed = preset->outSpeed;
    m_state.g_waitForFadeIn = preset->waitForFadeIn ? 1 : 0;

    FadeInThresholdSlider->setEnabled(true);
    FadeInThresholdLabel->setEnabled(true);
    SkipLastSlider->SetPositionSilently(m_state.g_skipLastSeconds);
    {
        const QSignalBlocker blocker(WaitFadeInCheck);
        WaitFadeInCheck->setChecked(true);
    }
    FadeInThresholdSlider->SetPositionSilently(m_state.g_fadeInThreshold);
    InSpeedSlider->SetPositionSilently(m_state.g_inSpeed);
    OutSpeedSlider->SetPositionSilently(m_state.g_outSpeed);

    SetLabelText(SkipLastLabel, ToQString(SkipLastLabelText(m_state.g_skipLastSeconds)));
    SetLabelText(FadeInThresholdLabel, ToQString(ThresholdLabelText(m_state.g_fadeInThreshold)));
    SetLabelText(InSpeedLabel, ToQString(InSpeedLabelText(m_state.g_inSpeed)));
    SetLabelText(OutSpeedLabel, ToQString(OutSpeedLabelText(m_state.g_outSpeed)));
}

void CKORVALEDlg::ReadFadeSliders() {
    // Every horizontal move re-reads all four settings, whichever slider moved.
    m_state.g_fadeInThreshold = FadeInThresholdSlider->Position();
    SetLabelText(FadeInThresholdLabel, ToQString(ThresholdLabelText(m_state.g_fadeInThreshold)));
    m_state.g_skipLastSeconds = SkipLastSlider->Position();
    SetLabelText(SkipLastLabel, ToQString(SkipLastLabelText(m_state.g_skipLastSeconds)));
    ReadSpeedSliders();
}

void CKORVALEDlg::ReadSpeedSliders() {
    m_state.g_inSpeed = InSpeedSlider->Position();
    SetLabelText(InSpeedLabel, ToQString(InSpeedLabelText(m_state.g_inSpeed)));
    m_state.g_outSpeed = OutSpeedSlider->Position();
    SetLabelText(OutSpeedLabel, ToQString(OutSpeedLabelText(m_state.g_outSpeed)));
}

} // namespace korvale
