// The output levels through the core: devices, mixer names, levels and the mic panel.
#include <gtest/gtest.h>

#include "support/CoreFixture.h"

using namespace korvale;
using korvale::test::CoreFixture;
using Opt = std::optional<std::string>;

TEST(CoreLevels, StartReadsDevicesMixerNamesAndLevelsWhereTheDevicesAllowIt) {
    struct Row { int waveOuts; std::vector<std::string> mixers; std::optional<bool> waveCaps, auxCaps;
                 bool master, cue; Opt masterName, cueName; int level, mic; };
    const Row rows[] = {{0, {}, true, true, false, false, {}, {}, 30536, 64536},
                        {1, {"Only"}, false, std::nullopt, true, false, "Only", {}, 1, 1},
                        {2, {"Main", "Phones", "Third"}, std::nullopt, false, true, true, "Main", "Phones", 1, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.waveOuts);
        CoreFixture f(false);
        f.devices.waveOuts = row.waveOuts;
        f.devices.mixerNames = row.mixers;
        f.devices.waveOutCaps = row.waveCaps;
        f.devices.waveOutLevel = ChannelVolumes{40000, 30000};
        f.devices.auxCaps[0] = row.auxCaps;
        f.devices.auxLevels[0] = ChannelVolumes{1000, 1000};
        f.core.Start("/start", false);
        const OutputLevels& levels = f.core.Levels();
        EXPECT_EQ(levels.MasterCaptionEnabled(), row.master);
        EXPECT_EQ(levels.CueCaptionEnabled(), row.cue);
        ASSERT_EQ(f.dialogs.messages.size(), row.master ? 0u : 1u);
        if (!row.master) EXPECT_EQ(f.dialogs.messages[0].text + "/" + f.dialogs.messages[0].caption,
                                   "KORVALE needs one or more audio devices to work with/Audio Device(s) Not found");
        EXPECT_EQ(levels.MasterCaption(), row.masterName);
        EXPECT_EQ(levels.CueCaption(), row.cueName);
        EXPECT_EQ(levels.MasterPosition(), row.level);
        EXPECT_EQ(levels.MasterLabel(), row.level > 1 ? Opt("-41 db") : Opt());
        EXPECT_EQ(levels.MicPosition(), row.mic);
        EXPECT_EQ(levels.MicButtonEnabled(), row.mic > 1);
        EXPECT_TRUE(levels.MicButtonCaption() == "MIC" && levels.MixerOpened());
    }
}

TEST(CoreLevels, MovesWriteBothChannelsAndTheMicOnlyWhileItsPanelIsShown) {
    CoreFixture f;
    OutputLevels& levels = f.core.Levels();
    auto both = [](ChannelVolumes v, int channel) { return v.left == channel && v.right == channel; };
    levels.MasterMovedByUser(7281);
    levels.MicMovedByUser(65000);
    f.core.OnVScroll();
    ASSERT_EQ(f.devices.waveOutWrites.size(), 1u);
    EXPECT_TRUE(both(f.devices.waveOutWrites[0], 58255));
    EXPECT_EQ(levels.MasterLabel(), "-10 db");
    EXPECT_TRUE(f.devices.auxWrites.empty());
    // The panel shown: the mic level is read, and written to the other device on a move.
    levels.TalkOverToggledByUser(true);
    f.devices.auxLevels[0] = ChannelVolumes{65535, 65535};
    levels.MicButtonToggledByUser(true);
    EXPECT_EQ(levels.MicButtonCaption(), "MIC ON");
    EXPECT_FALSE(levels.TalkOverChecked());
    EXPECT_EQ(levels.MicPosition(), 1);
    levels.MicMovedByUser(1457);
    f.core.OnVScroll();
    ASSERT_EQ(f.devices.auxWrites.size(), 1u);
    EXPECT_EQ(f.devices.auxWrites[0].first, 1);
    EXPECT_TRUE(both(f.devices.auxWrites[0].second, 64079));
    EXPECT_EQ(levels.MicLabel(), "-2 db");
    levels.MicButtonToggledByUser(false);
    EXPECT_EQ(levels.MicButtonCaption(), "MIC");
    f.core.OnVScroll();
    EXPECT_EQ(f.devices.auxWrites.size() + f.devices.waveOutWrites.size(), 1u + 3u);
}
