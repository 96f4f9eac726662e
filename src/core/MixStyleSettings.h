#pragma once

#include <optional>
#include <string>

namespace korvale {

class ChangeNotices;

// The four fade-setting sliders.
enum class FadeSlider { SkipLast, FadeInThreshold, InSpeed, OutSpeed };

// The fade settings that the cross-fade reads, the Mix Style box and its presets, the four
// sliders that set them (positions and labels) and the "Wait until Fade-In reaches:" box.
// UI thread.
class MixStyleSettings {
public:
    // Start values of the settings.
    static constexpr int kStartSkipLastSeconds = 5;
    static constexpr int kStartInSpeed = 40;
    static constexpr int kStartOutSpeed = 2;
    static constexpr int kStartThresholdPosition = 5;

    explicit MixStyleSettings(ChangeNotices& changes);

    // The settings as the cross-fade reads them.
    int SkipLastSeconds() const { return m_skipLastSeconds; }
    int FadeInThreshold() const { return m_fadeInThreshold; }
    int InSpeed() const { return m_inSpeed; }
    int OutSpeed() const { return m_outSpeed; }
    bool WaitForFadeIn() const { return m_waitForFadeIn; }
    // Re-reads the threshold from its slider (at the end of a cross-fade).
    void ReadThresholdSlider() { m_fadeInThreshold = Position(FadeSlider::FadeInThreshold); }

    // What the controls show.
    int MixStyleIndex() const { return m_mixStyleIndex; }
    int Position(FadeSlider slider) const { return m_positions[Index(slider)]; }
    // A slider label's text once the program has written one.
    const std::optional<std::string>& Label(FadeSlider slider) const {
        return m_labels[Index(slider)];
    }
    bool WaitBoxChecked() const { return m_waitBoxChecked; }
    bool ThresholdEnabled() const { return m_thresholdEnabled; }

    // Start-up: the In and Out Speed sliders and labels show the start speeds, the others
    // their start positions.
    void SetUpSliders();
    // Fills the box (its entries are kMixStyles) and selects the first style.
    void FillMixStyles();
    void ApplyMixStyle();
    // Every horizontal move re-reads all four settings, whichever slider moved.
    void ReadFadeSliders();
    void ReadSpeedSliders();
    // The wait setting and the threshold controls follow the box; returns the setting.
    bool SyncWaitBox();

    // What the user did in the front end.
    void StyleChosenByUser(int index);
    void WaitBoxToggledByUser(bool checked);
    void SliderMovedByUser(FadeSlider slider, int position);
    // The stored index goes to the box (-1: no selection).
    void SetMixStyleIndex(int index);

private:
    static std::size_t Index(FadeSlider slider) { return static_cast<std::size_t>(slider); }
    void SetPosition(FadeSlider slider, int position);
    void SetLabel(FadeSlider slider, std::string text);
    void Changed();

    ChangeNotices& m_changes;
    int m_skipLastSeconds = kStartSkipLastSeconds;
    int m_fadeInThreshold = 0;
    int m_inSpeed = kStartInSpeed;
    int m_outSpeed = kStartOutSpeed;
    bool m_waitForFadeIn = true;

    int m_mixStyleIndex = -1;
    int m_positions[4] = {0, 0, 0, 0};
    std::optional<std::string> m_labels[4];
    bool m_waitBoxChecked = false;
    bool m_thresholdEnabled = true;
};

} // namespace korvale
