// The Mix Style box, its presets and the four fade-setting sliders, driven as the user does.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

#include "support/WindowFixture.h"
#include "ui/TrackBar.h"

using namespace korvale;
using korvale::test::WindowFixture;

namespace {

constexpr int kCustomIndex = 7;

std::string Text(QLabel* label) {
    return label->text().toStdString();
}

// The user picks entry `index` from the box's list.
void ChooseStyle(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

struct Expected {
    int index;
    int skip;
    int threshold;
    int inSpeed;
    int outSpeed;
    const char* skipLabel;
    const char* thresholdLabel;
};

void ExpectSettings(CKORVALEDlg& w, const Expected& e) {
    SCOPED_TRACE(e.index);
    const KorvaleState& s = w.State();
    EXPECT_EQ(s.g_skipLastSeconds, e.skip);
    EXPECT_EQ(s.g_fadeInThreshold, e.threshold);
    EXPECT_EQ(s.g_inSpeed, e.inSpeed);
    EXPECT_EQ(s.g_outSpeed, e.outSpeed);
    EXPECT_EQ(s.g_waitForFadeIn, 1);
    EXPECT_EQ(w.SkipLastSlider->Position(), e.skip);
    EXPECT_EQ(w.FadeInThresholdSlider->Position(), e.threshold);
    EXPECT_EQ(w.InSpeedSlider->Position(), e.inSpeed);
    EXPECT_EQ(w.OutSpeedSlider->Position(), e.outSpeed);
    EXPECT_EQ(Text(w.SkipLastLabel), e.skipLabel);
    EXPECT_EQ(Text(w.FadeInThresholdLabel), e.thresholdLabel);
    EXPECT_EQ(Text(w.InSpeedLabel), "In Speed " + std::to_string(e.inSpeed));
    EXPECT_EQ(Text(w.OutSpeedLabel), "Out Speed " + std::to_string(e.outSpeed));
    EXPECT_TRUE(w.WaitFadeInCheck->isChecked());
    EXPECT_TRUE(w.FadeInThresholdSlider->isEnabled());
    EXPECT_TRUE(w.FadeInThresholdLabel->isEnabled());
}

constexpr Expected kDef{0, 4, 400, 40, 2, "Skip the last 4 seconds", "-4 db"};

TEST(MixStyles, StartUpFillsTheBoxAndAppliesDef) {
    WindowFixture f;
    QComboBox* combo = f.w().MixStyleCombo;
    const char* names[] = {"DEF",      "FAST",      "SLOW",      "NERV",
                           "ADV->ADV", "ADV->CLIP", "CLIP->ADV", "CUSTOM"};
    ASSERT_EQ(combo->count(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(combo->itemText(i).toStdString(), names[i]);
    }
    EXPECT_EQ(combo->currentIndex(), 0);
    ExpectSettings(f.w(), kDef);
}

TEST(MixStyles, EveryPresetSetsItsRow) {
    WindowFixture f;
    const Expected rows[] = {
        {1, 2, 200, 500, 90, "Skip the last 2 seconds", "-2 db"},
        {2, 8, 6000, 1, 1, "Skip the last 8 seconds", "-60 db"},
        {3, 2, 100, 600, 1, "Skip the last 2 seconds", "-1 db"},
        {4, 0, 0, 600, 300, "Skip the last 0 seconds", "-0 db"},
        {5, 0, 0, 300, 300, "Skip the last 0 seconds", "-0 db"},
        {6, 8, 4000, 600, 300, "Skip the last 8 seconds", "-40 db"},
        kDef,
    };
    for (const Expected& row : rows) {
        ChooseStyle(f.w().MixStyleCombo, row.index);
        ExpectSettings(f.w(), row);
    }
}

TEST(MixStyles, KeyboardChoiceAppliesThePreset) {
    WindowFixture f;
    QTest::keyClick(f.w().MixStyleCombo, Qt::Key_Down);
    EXPECT_EQ(f.w().MixStyleCombo->currentIndex(), 1);
    EXPECT_EQ(f.w().State().g_inSpeed, 500);
    EXPECT_EQ(Text(f.w().InSpeedLabel), "In Speed 500");
}

TEST(MixStyles, CustomKeepsHandSetValues) {
    WindowFixture f;
    f.w().InSpeedSlider->setValue(123);
    f.w().SkipLastSlider->setValue(12);
    f.w().FadeInThresholdSlider->setValue(2550);
    f.w().OutSpeedSlider->setValue(7);
    // A hand move leaves the box showing the last preset.
    EXPECT_EQ(f.w().MixStyleCombo->currentIndex(), 0);

    QTest::keyClick(f.w().MixStyleCombo, Qt::Key_End);
    ASSERT_EQ(f.w().MixStyleCombo->currentIndex(), kCustomIndex);
    ChooseStyle(f.w().MixStyleCombo, kCustomIndex);

    const KorvaleState& s = f.w().State();
    EXPECT_EQ(s.g_inSpeed, 123);
    EXPECT_EQ(s.g_skipLastSeconds, 12);
    EXPECT_EQ(s.g_fadeInThreshold, 2550);
    EXPECT_EQ(s.g_outSpeed, 7);
    EXPECT_EQ(Text(f.w().InSpeedLabel), "In Speed 123");
    EXPECT_EQ(Text(f.w().SkipLastLabel), "Skip the last 12 seconds");
    EXPECT_EQ(Text(f.w().FadeInThresholdLabel), "-25 db");
    EXPECT_EQ(Text(f.w().OutSpeedLabel), "Out Speed 7");
}

TEST(MixStyles, NoSelectionChangesNothing) {
    WindowFixture f;
    f.w().InSpeedSlider->setValue(77);
    f.w().MixStyleCombo->setCurrentIndex(-1);
    f.w().ApplyMixStyle();
    EXPECT_EQ(f.w().State().g_inSpeed, 77);
    EXPECT_EQ(f.w().InSpeedSlider->Position(), 77);
}

TEST(MixStyles, UncheckedWaitBoxIsCheckedAgainByAPreset) {
    WindowFixture f;
    // Unchecked the way a screen reader does it: the toggle action raises no click.
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(f.w().WaitFadeInCheck);
    ASSERT_TRUE(box != nullptr && box->actionInterface() != nullptr);
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(f.w().WaitFadeInCheck->isChecked());
    EXPECT_EQ(f.w().State().g_waitForFadeIn, 0);
    EXPECT_FALSE(f.w().FadeInThresholdSlider->isEnabled());
    EXPECT_FALSE(f.w().FadeInThresholdLabel->isEnabled());

    // "CUSTOM" leaves the box as it is.
    ChooseStyle(f.w().MixStyleCombo, kCustomIndex);
    EXPECT_FALSE(f.w().WaitFadeInCheck->isChecked());
    EXPECT_EQ(f.w().State().g_waitForFadeIn, 0);

    ChooseStyle(f.w().MixStyleCombo, 2);
    EXPECT_TRUE(f.w().WaitFadeInCheck->isChecked());
    EXPECT_EQ(f.w().State().g_waitForFadeIn, 1);
    EXPECT_TRUE(f.w().FadeInThresholdSlider->isEnabled());
    EXPECT_TRUE(f.w().FadeInThresholdLabel->isEnabled());

    // Checking the box again by hand does not re-read the threshold slider.
    f.w().WaitFadeInCheck->click();
    f.w().FadeInThresholdSlider->SetPositionSilently(1234);
    f.w().WaitFadeInCheck->click();
    EXPECT_EQ(f.w().State().g_waitForFadeIn, 1);
    EXPECT_EQ(f.w().State().g_fadeInThreshold, 6000);
}

TEST(MixStyles, AnyHorizontalMoveRereadsAllFourSliders) {
    WindowFixture f;
    // Positions the program set without notifying (as a preset would, without labels).
    f.w().SkipLastSlider->SetPositionSilently(30);
    f.w().FadeInThresholdSlider->SetPositionSilently(9000);
    f.w().InSpeedSlider->SetPositionSilently(600);
    f.w().OutSpeedSlider->SetPositionSilently(1);
    ASSERT_EQ(f.w().State().g_skipLastSeconds, 4);

    f.w().CuePositionSlider->setValue(500);

    const KorvaleState& s = f.w().State();
    EXPECT_EQ(s.g_skipLastSeconds, 30);
    EXPECT_EQ(s.g_fadeInThreshold, 9000);
    EXPECT_EQ(s.g_inSpeed, 600);
    EXPECT_EQ(s.g_outSpeed, 1);
    EXPECT_EQ(Text(f.w().SkipLastLabel), "Skip the last 30 seconds");
    EXPECT_EQ(Text(f.w().FadeInThresholdLabel), "-90 db");
    EXPECT_EQ(Text(f.w().InSpeedLabel), "In Speed 600");
    EXPECT_EQ(Text(f.w().OutSpeedLabel), "Out Speed 1");
    EXPECT_EQ(f.w().MixStyleCombo->currentIndex(), 0);
}

TEST(MixStyles, ThresholdLabelTruncatesToWholeDecibels) {
    WindowFixture f;
    f.w().FadeInThresholdSlider->setValue(99);
    EXPECT_EQ(Text(f.w().FadeInThresholdLabel), "-0 db");
    EXPECT_EQ(f.w().State().g_fadeInThreshold, 99);
    f.w().FadeInThresholdSlider->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Text(f.w().FadeInThresholdLabel), "-90 db");
    EXPECT_EQ(f.w().State().g_fadeInThreshold, 9000);
}

} // namespace
