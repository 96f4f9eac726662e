// Output levels: device detection, the master and microphone sliders and the mic panel,
// over scripted audio devices.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

#include "support/WindowFixture.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

using namespace korvale;
using korvale::test::WindowFixture;

namespace {

std::string Text(const QLabel* label) {
    return label->text().toStdString();
}

bool Same(ChannelVolumes a, ChannelVolumes b) {
    return a.left == b.left && a.right == b.right;
}

// A window whose devices are set up by the test before start-up runs.
struct LevelsWindow {
    LevelsWindow() : f(QSize(1280, 1024), /*initialise=*/false) {}
    void Start() { f.w().OnInitDialog(); }
    CKORVALEDlg& w() { return f.w(); }
    WindowFixture f;
};

TEST(OutputLevelsStartUp, MasterLevelFollowsTheDeviceVolume) {
    struct Case {
        ChannelVolumes device;
        int position;
        const char* label;
    };
    for (const Case& c : {Case{{65535, 65535}, 1, "-0 db"}, Case{{0, 0}, 65536, "-90 db"},
                          Case{{65535, 0}, 32769, "-45 db"}}) {
        SCOPED_TRACE(c.position);
        LevelsWindow l;
        l.f.devices.waveOutLevel = c.device;
        l.Start();
        EXPECT_EQ(l.w().MasterLevel->Position(), c.position);
        EXPECT_EQ(Text(l.w().MasterLevelLabel), c.label);
    }
}

TEST(OutputLevelsStartUp, DeviceWithoutVolumeControlLeavesTheSliderAtTheTop) {
    for (const std::optional<bool> caps : {std::optional<bool>(false), std::optional<bool>()}) {
        LevelsWindow l;
        l.f.devices.waveOutCaps = caps;
        l.f.devices.waveOutLevel = ChannelVolumes{0, 0};
        l.Start();
        EXPECT_EQ(l.w().MasterLevel->Position(), 1);
        EXPECT_EQ(Text(l.w().MasterLevelLabel), "-1db");
        // It still writes the device when moved.
        l.w().MasterLevel->setValue(65536);
        ASSERT_FALSE(l.f.devices.waveOutWrites.empty());
        EXPECT_TRUE(Same(l.f.devices.waveOutWrites.back(), {0, 0}));
    }
}

TEST(OutputLevelsStartUp, DeviceCountsAndMixerNamesSetTheCaptions) {
    {
        LevelsWindow l;
        l.f.devices.waveOuts = 2;
        l.f.devices.mixerNames = {"Pulse Mixer", "USB Audio", "Third"};
        l.Start();
        EXPECT_EQ(Text(l.w().MasterCaption), "Pulse Mixer");
        EXPECT_EQ(Text(l.w().CueCaption), "USB Audio");
        EXPECT_TRUE(l.w().MasterCaption->isEnabled());
        EXPECT_TRUE(l.w().CueCaption->isEnabled());
        EXPECT_TRUE(l.f.dialogs.messages.empty());
    }
    {
        LevelsWindow l;
        l.f.devices.waveOuts = 1;
        l.f.devices.mixerNames = {};
        l.Start();
        EXPECT_EQ(Text(l.w().MasterCaption), "Master");
        EXPECT_EQ(Text(l.w().CueCaption), "Cue");
        EXPECT_TRUE(l.w().MasterCaption->isEnabled());
        EXPECT_FALSE(l.w().CueCaption->isEnabled());
    }
}

TEST(OutputLevelsStartUp, NoOutputDeviceIsReportedOnce) {
    LevelsWindow l;
    l.f.devices.waveOuts = 0;
    l.Start();
    ASSERT_EQ(l.f.dialogs.messages.size(), 1u);
    EXPECT_EQ(l.f.dialogs.messages[0].text, "KORVALE needs one or more audio devices to work with");
    EXPECT_EQ(l.f.dialogs.messages[0].caption, "Audio Device(s) Not found");
    EXPECT_EQ(l.f.dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_FALSE(l.w().MasterCaption->isEnabled());
    EXPECT_FALSE(l.w().CueCaption->isEnabled());
}

TEST(OutputLevelsStartUp, AuxiliaryLineWithoutVolumeControlDisablesTheMic) {
    LevelsWindow l;
    l.f.devices.auxCaps[0] = false;
    l.Start();
    EXPECT_FALSE(l.w().MicButton->isEnabled());
    EXPECT_EQ(l.w().ReadMicLevel(), 0);
}

TEST(OutputLevelsWithoutDevices, WindowWorksAndOnlyTheTwoStartUpMessagesShow) {
    test::FakeDialogs dialogs;
    WindowServices services;
    services.dialogs = &dialogs;
    services.screenSize = QSize(1280, 1024);
    services.startTickTimer = false;
    CKORVALEDlg window(services);
    window.OnInitDialog();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Mixer Not Opened");
    EXPECT_EQ(dialogs.messages[1].caption, "Audio Device(s) Not found");
    EXPECT_FALSE(window.MicButton->isEnabled());
    window.MasterLevel->setValue(729);
    window.FaderA->setValue(100);
    EXPECT_EQ(Text(window.MasterLevelLabel), "-1 db");
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

class OutputLevelsTest : public ::testing::Test {
protected:
    CKORVALEDlg& w() { return f.w(); }
    WindowFixture f;
};

TEST_F(OutputLevelsTest, MovingMasterLevelWritesBothChannelsAndTheLabel) {
    w().MasterLevel->setValue(729);
    ASSERT_EQ(f.devices.waveOutWrites.size(), 1u);
    EXPECT_TRUE(Same(f.devices.waveOutWrites[0], {64807, 64807}));
    EXPECT_EQ(Text(w().MasterLevelLabel), "-1 db");

    w().MasterLevel->setValue(727);
    EXPECT_TRUE(Same(f.devices.waveOutWrites.back(), {64809, 64809}));
    EXPECT_EQ(Text(w().MasterLevelLabel), "-0 db");
}

TEST(OutputLevelsStartUp, UnevenDeviceVolumeIsWrittenBackEvenly) {
    LevelsWindow l;
    l.f.devices.waveOutLevel = ChannelVolumes{65535, 0};
    l.Start();
    l.w().OnVScroll(); // a scroll notification that leaves the position where it is
    ASSERT_EQ(l.f.devices.waveOutWrites.size(), 1u);
    EXPECT_TRUE(Same(l.f.devices.waveOutWrites.back(), {32767, 32767}));
}

TEST_F(OutputLevelsTest, FaderMoveRewritesTheMasterLevelButNotTheMicWhileItIsOff) {
    w().MasterLevel->SetPositionSilently(20000);
    w().MicLevel->SetPositionSilently(30000);
    w().FaderA->setValue(4000);
    ASSERT_EQ(f.devices.waveOutWrites.size(), 1u);
    EXPECT_TRUE(Same(f.devices.waveOutWrites[0], {45536, 45536}));
    EXPECT_TRUE(f.devices.auxWrites.empty());
}

TEST_F(OutputLevelsTest, MicOnShowsItsControlsReadsTheLineAndWritesTheOtherDevice) {
    const QPoint place = w().PlayListBox->pos();
    EXPECT_EQ(w().PlayListBox->size(), QSize(223, 368));
    EXPECT_TRUE(w().MicLevel->isHidden());
    EXPECT_EQ(w().MicButton->text().toStdString(), "MIC");

    f.devices.auxLevels[0] = ChannelVolumes{0, 0};
    SetCheckedSilently(w().TOCheck, true);
    QTest::mouseClick(w().MicButton, Qt::LeftButton);
    EXPECT_TRUE(w().MicButton->isChecked());
    EXPECT_EQ(w().MicButton->text().toStdString(), "MIC ON");
    EXPECT_FALSE(w().MicLevel->isHidden());
    EXPECT_FALSE(w().MicLevelLabel->isHidden());
    EXPECT_FALSE(w().TOCheck->isHidden());
    EXPECT_FALSE(w().TOCheck->isChecked());
    EXPECT_EQ(w().PlayListBox->size(), QSize(175, 368));
    EXPECT_EQ(w().PlayListBox->pos(), place);
    EXPECT_EQ(w().MicLevel->Position(), 65536);
    EXPECT_EQ(Text(w().MicLevelLabel), "-90 db");

    w().MicLevel->setValue(729);
    ASSERT_EQ(f.devices.auxWrites.size(), 1u);
    EXPECT_EQ(f.devices.auxWrites[0].first, 1);
    EXPECT_TRUE(Same(f.devices.auxWrites[0].second, {64807, 64807}));
    EXPECT_EQ(Text(w().MicLevelLabel), "-1 db");
    EXPECT_EQ(f.devices.waveOutWrites.size(), 1u); // the master level is written too

    const std::size_t auxWrites = f.devices.auxWrites.size();
    const std::size_t waveWrites = f.devices.waveOutWrites.size();
    QTest::mouseClick(w().MicButton, Qt::LeftButton);
    EXPECT_EQ(w().MicButton->text().toStdString(), "MIC");
    EXPECT_TRUE(w().MicLevel->isHidden());
    EXPECT_TRUE(w().MicLevelLabel->isHidden());
    EXPECT_TRUE(w().TOCheck->isHidden());
    EXPECT_EQ(w().PlayListBox->size(), QSize(223, 368));
    EXPECT_EQ(w().PlayListBox->pos(), place);
    EXPECT_EQ(f.devices.auxWrites.size(), auxWrites);
    EXPECT_EQ(f.devices.waveOutWrites.size(), waveWrites);
}

} // namespace
