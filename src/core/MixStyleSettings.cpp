#include "core/MixStyleSettings.h"

#include "core/ChangeNotices.h"
#include "core/FaderUnits.h"
#include "core/MixStylePresets.h"

namespace korvale {

MixStyleSettings::MixStyleSettings(ChangeNotices& changes) : m_changes(changes) {}

void MixStyleSettings::Changed() {
    m_changes.Notify(CorePart::FadeSettings);
}

void MixStyleSettings::SetPosition(FadeSlider slider, int position) {
    m_positions[Index(slider)] = position;
    Changed();
}

void MixStyleSettings::SetLabel(FadeSlider slider, std::string text) {
    m_labels[Index(slider)] = std::move(text);
    Changed();
}

void MixStyleSettings::SetUpSliders() {
    SetPosition(FadeSlider::FadeInThreshold, kStartThresholdPosition);
    SetPosition(FadeSlider::SkipLast, kStartSkipLastSeconds);
    SetPosition(FadeSlider::InSpeed, m_inSpeed);
    SetLabel(FadeSlider::InSpeed, InSpeedLabelText(m_inSpeed));
    SetPosition(FadeSlider::OutSpeed, m_outSpeed);
    SetLabel(FadeSlider::OutSpeed, OutSpeedLabelText(m_outSpeed));
}

void MixStyleSettings::FillMixStyles() {
    SetMixStyleIndex(kMixStyleDefaultIndex);
}

void MixStyleSettings::SetMixStyleIndex(int index) {
    m_mixStyleIndex = index;
    Changed();
}

void MixStyleSettings::ApplyMixStyle() {
    const std::optional<MixStylePreset> preset = MixStylePresetAt(m_mixStyleIndex);
    if (!preset) {
        return; // no selection, or "CUSTOM": the settings stay as they are
    }
    m_skipLastSeconds = preset->skipLastSeconds;
    m_fadeInThreshold = preset->fadeInThreshold;
    m_inSpeed = preset->inSpeed;
    m_outSpeed = preset->outSpeed;
    m_waitForFadeIn = preset->waitForFadeIn;

    m_thresholdEnabled = true;
    m_waitBoxChecked = true;
    SetPosition(FadeSlider::SkipLast, m_skipLastSeconds);
    SetPosition(FadeSlider::FadeInThreshold, m_fadeInThreshold);
    SetPosition(FadeSlider::InSpeed, m_inSpeed);
    SetPosition(FadeSlider::OutSpeed, m_outSpeed);
    SetLabel(FadeSlider::SkipLast, SkipLastLabelText(m_skipLastSeconds));
    SetLabel(FadeSlider::FadeInThreshold, FaderLabelText(m_fadeInThreshold));
    SetLabel(FadeSlider::InSpeed, InSpeedLabelText(m_inSpeed));
    SetLabel(FadeSlider::OutSpeed, OutSpeedLabelText(m_outSpeed));
}

void MixStyleSettings::ReadFadeSliders() {
    m_fadeInThreshold = Position(FadeSlider::FadeInThreshold);
    SetLabel(FadeSlider::FadeInThreshold, FaderLabelText(m_fadeInThreshold));
    m_skipLastSeconds = Position(FadeSlider::SkipLast);
    SetLabel(FadeSlider::SkipLast, SkipLastLabelText(m_skipLastSeconds));
    ReadSpeedSliders();
}

void MixStyleSettings::ReadSpeedSliders() {
    m_inSpeed = Position(FadeSlider::InSpeed);
    SetLabel(FadeSlider::InSpeed, InSpeedLabelText(m_inSpeed));
    m_outSpeed = Position(FadeSlider::OutSpeed);
    SetLabel(FadeSlider::OutSpeed, OutSpeedLabelText(m_outSpeed));
}

bool MixStyleSettings::SyncWaitBox() {
    m_thresholdEnabled = m_waitBoxChecked;
    m_waitForFadeIn = m_waitBoxChecked;
    Changed();
    return m_waitForFadeIn;
}

void MixStyleSettings::StyleChosenByUser(int index) {
    SetMixStyleIndex(index);
    ApplyMixStyle();
}

void MixStyleSettings::WaitBoxToggledByUser(bool checked) {
    m_waitBoxChecked = checked;
    SyncWaitBox();
}

void MixStyleSettings::SliderMovedByUser(FadeSlider slider, int position) {
    SetPosition(slider, position);
}

} // namespace korvale
