// CMediaPlayer over an engine voice: the values the deck code relies on, and bad inputs.

#include "core/CMediaPlayer.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace korvale {
namespace {

using testing::Channel;
using testing::Mp3Mode;
using testing::OfflineEngine;
using testing::TempDir;

class Player : public ::testing::Test {
public:
    std::string wav(const std::string& name, double seconds, int rate = 44100) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testing::WriteSineWav(path, seconds, 1000.0, rate, 0.5));
        return path;
    }
    std::string mp3(const std::string& name, double seconds, Mp3Mode mode = Mp3Mode::Vbr) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testing::WriteSineMp3(path, seconds, 1000.0, 44100, mode));
        return path;
    }

    TempDir dir;
    OfflineEngine offline;
    CMediaPlayer player{&offline.voice(VoiceId::Deck1)};
};

TEST_F(Player, ReportsClosedValuesWithNoClip) {
    EXPECT_EQ(player.GetCurrentPosition(), -1.0);
    EXPECT_EQ(player.GetDuration(), 0.0);
    EXPECT_EQ(player.GetFileName(), "");
    EXPECT_EQ(player.GetOpenState(), 0);
    EXPECT_EQ(player.GetPlayState(), 6);
    player.Play();
    player.Stop();
    player.SetStartPosition(3.0);
    EXPECT_EQ(player.GetPlayState(), 6);
    EXPECT_EQ(player.GetCurrentPosition(), -1.0);

    CMediaPlayer detached(nullptr);
    detached.SetFileName(wav("a.wav", 1.0));
    EXPECT_EQ(detached.GetOpenState(), 0);
    EXPECT_EQ(detached.GetPlayState(), 6);
    EXPECT_EQ(detached.GetCurrentPosition(), -1.0);
}

TEST_F(Player, LoadsWithoutStartingAndUnloadsWithEmptyName) {
    const std::string path = mp3("clip.mp3", 2.0);
    player.SetAutoStart(false);
    player.SetFileName(path);
    EXPECT_EQ(player.GetOpenState(), 6);
    EXPECT_EQ(player.GetPlayState(), 0);
    EXPECT_EQ(player.GetFileName(), path);
    EXPECT_NEAR(player.GetDuration(), 2.0, 0.001);
    EXPECT_EQ(player.GetCurrentPosition(), 0.0);
    EXPECT_EQ(testing::Peak(Channel(offline.renderSeconds(0.2), 0)), 0.0);

    player.SetFileName("");
    EXPECT_EQ(player.GetOpenState(), 0);
    EXPECT_EQ(player.GetPlayState(), 6);
    EXPECT_EQ(player.GetFileName(), "");
    EXPECT_EQ(player.GetCurrentPosition(), -1.0);
}

TEST_F(Player, AutoStartPlaysAtOnce) {
    player.SetAutoStart(true);
    player.SetFileName(wav("a.wav", 1.0));
    EXPECT_EQ(player.GetPlayState(), 2);
    EXPECT_GT(testing::Peak(Channel(offline.renderSeconds(0.1), 0)), 0.4);
}

TEST_F(Player, StartPositionThenPlayStopPlayAndTheEnd) {
    player.SetFileName(mp3("clip.mp3", 1.5, Mp3Mode::Cbr));
    player.SetStartPosition(0.5);
    EXPECT_DOUBLE_EQ(player.GetCurrentPosition(), 0.5);
    player.Play();
    EXPECT_EQ(player.GetPlayState(), 2);
    offline.renderSeconds(0.3);
    EXPECT_NEAR(player.GetCurrentPosition(), 0.8, 1e-9);
    player.Stop();
    EXPECT_EQ(player.GetPlayState(), 0);
    offline.renderSeconds(0.3);
    EXPECT_NEAR(player.GetCurrentPosition(), 0.81, 1e-9); // the stop ramp, then halted
    player.Play();                                        // continues where it halted
    offline.renderSeconds(0.2);
    EXPECT_NEAR(player.GetCurrentPosition(), 1.01, 1e-9);
    offline.renderSeconds(1.0);
    EXPECT_EQ(player.GetPlayState(), 0);
    EXPECT_DOUBLE_EQ(player.GetCurrentPosition(), player.GetDuration());
    player.Play(); // at the end: again from the start position
    EXPECT_EQ(player.GetPlayState(), 2);
    EXPECT_DOUBLE_EQ(player.GetCurrentPosition(), 0.5);
}

TEST_F(Player, Mp3SeekThroughThePlayerLandsWhereAsked) {
    const std::string path = mp3("clip.mp3", 3.0, Mp3Mode::Vbr);
    // Reference: the same clip rendered from 0; a seek to 1.0 s must give the same samples
    // as the reference from 1.0 s on (48 kHz: frame 48000).
    OfflineEngine reference;
    CMediaPlayer refPlayer(&reference.voice(VoiceId::Deck2));
    refPlayer.SetFileName(path);
    refPlayer.Play();
    const auto whole = reference.renderSeconds(2.0);

    player.SetFileName(path);
    player.SetStartPosition(1.0);
    player.Play();
    const auto out = offline.renderSeconds(0.5);
    double worst = 0.0;
    for (std::size_t i = 4800; i < 24000; ++i) { // past the ramp and the resampler's settling
        worst =
            std::max(worst, static_cast<double>(std::fabs(out[2 * i] - whole[2 * (48000 + i)])));
    }
    EXPECT_LT(worst, 0.01);
}

TEST_F(Player, VolumeAppliesThroughThePlayer) {
    player.SetFileName(wav("a.wav", 1.0));
    player.SetVolume(-2000);
    player.Play();
    const auto out = offline.renderSeconds(0.5);
    EXPECT_NEAR(testing::Peak(Channel(out, 0, 4800)), 0.05, 0.001);
}

// ---- bad inputs -------------------------------------------------------------------------

struct BadInput {
    const char* name;
    std::function<std::string(Player&, TempDir&)> make;
    bool decodesSomething;
};

class PlayerBadInput : public Player, public ::testing::WithParamInterface<int> {};

std::string Truncate(const std::string& path, double keepFraction) {
    const std::string bytes = testing::ReadBytes(path);
    testing::WriteBytes(path,
                        bytes.substr(0, static_cast<std::size_t>(bytes.size() * keepFraction)));
    return path;
}

std::vector<BadInput> BadInputs() {
    return {
        {"missing", [](Player&, TempDir& d) { return d.file("nothing-here.mp3"); }, false},
        {"empty",
         [](Player&, TempDir& d) {
             testing::WriteBytes(d.file("empty.mp3"), "");
             return d.file("empty.mp3");
         },
         false},
        {"random bytes",
         [](Player&, TempDir& d) {
             testing::WriteBytes(d.file("noise.mp3"), testing::RandomBytes(100000, 7));
             return d.file("noise.mp3");
         },
         false},
        {"directory",
         [](Player&, TempDir& d) {
             std::filesystem::create_directory(d.file("folder.mp3"));
             return d.file("folder.mp3");
         },
         false},
        {"fifo",
         [](Player&, TempDir& d) {
             ::mkfifo(d.file("pipe.mp3").c_str(), 0600);
             return d.file("pipe.mp3");
         },
         false},
        {"truncated mp3", [](Player& p, TempDir&) { return Truncate(p.mp3("cut.mp3", 2.0), 0.5); },
         true},
        {"truncated wav", [](Player& p, TempDir&) { return Truncate(p.wav("cut.wav", 2.0), 0.5); },
         true},
        {"wav header only",
         [](Player& p, TempDir& d) {
             testing::WriteBytes(d.file("hdr.wav"),
                                 testing::ReadBytes(p.wav("h.wav", 1.0)).substr(0, 44));
             return d.file("hdr.wav");
         },
         false},
        {"huge id3 tag",
         [](Player& p, TempDir& d) {
             // ID3v2 header with a synch-safe size of 8 MB, the tag's body, then the MP3.
             const std::size_t size = 8 * 1024 * 1024;
             std::string tag = "ID3";
             tag += '\x04';
             tag += '\0';
             tag += '\0';
             for (int shift = 21; shift >= 0; shift -= 7) {
                 tag += static_cast<char>((size >> shift) & 0x7f);
             }
             tag += std::string(size, '\0');
             const std::string music = testing::ReadBytes(p.mp3("m.mp3", 1.0));
             testing::WriteBytes(d.file("tagged.mp3"), tag + music);
             return d.file("tagged.mp3");
         },
         true},
    };
}

TEST_P(PlayerBadInput, OpensPlaysAndEndsWithoutHarm) {
    const BadInput input = BadInputs()[static_cast<std::size_t>(GetParam())];
    SCOPED_TRACE(input.name);
    const std::string path = input.make(*this, dir);
    player.SetFileName(path);
    EXPECT_EQ(player.GetFileName(), path);
    EXPECT_EQ(player.GetOpenState(), 6);
    EXPECT_EQ(player.GetPlayState(), 0);
    if (input.decodesSomething) {
        EXPECT_GT(player.GetDuration(), 0.3);
    } else {
        EXPECT_EQ(player.GetDuration(), 0.0);
    }
    player.Play();
    offline.renderSeconds(3.0);
    EXPECT_EQ(player.GetPlayState(), 0);
    EXPECT_DOUBLE_EQ(player.GetCurrentPosition(), player.GetDuration());
    player.SetFileName("");
    EXPECT_EQ(player.GetOpenState(), 0);
}

INSTANTIATE_TEST_SUITE_P(All, PlayerBadInput, ::testing::Range(0, 9));

TEST_F(Player, UnreadableFileOpensWithNothingToPlay) {
    const std::string path = wav("locked.wav", 1.0);
    ::chmod(path.c_str(), 0);
    player.SetFileName(path);
    EXPECT_EQ(player.GetOpenState(), 6);
    if (::access(path.c_str(), R_OK) == 0) {
        // Running with privileges that read anyway: the clip simply plays.
        EXPECT_NEAR(player.GetDuration(), 1.0, 1e-9);
    } else {
        EXPECT_EQ(player.GetDuration(), 0.0);
    }
}

TEST_F(Player, WavHeaderClaimingMoreDataPlaysWhatIsThere) {
    const std::string path = wav("long.wav", 1.0, 48000);
    std::string bytes = testing::ReadBytes(path);
    const auto data = bytes.find("data");
    ASSERT_NE(data, std::string::npos);
    bytes.replace(data + 4, 4, std::string("\xff\xff\xff\x7f", 4));
    bytes.replace(4, 4, std::string("\xff\xff\xff\x7f", 4));
    testing::WriteBytes(path, bytes);
    player.SetFileName(path);
    EXPECT_NEAR(player.GetDuration(), 1.0, 0.001);
    player.Play();
    offline.renderSeconds(1.5);
    EXPECT_EQ(player.GetPlayState(), 0);
}

TEST_F(Player, FileTruncatedOrDeletedWhilePlayingEndsCleanly) {
    const std::string cut = mp3("cut.mp3", 4.0, Mp3Mode::Cbr);
    player.SetFileName(cut);
    player.Play();
    offline.renderSeconds(0.2);
    ::truncate(cut.c_str(), 2000);
    offline.renderSeconds(5.0);
    EXPECT_EQ(player.GetPlayState(), 0);
    EXPECT_DOUBLE_EQ(player.GetCurrentPosition(), player.GetDuration());

    const std::string gone = wav("gone.wav", 1.0);
    player.SetFileName(gone);
    player.Play();
    offline.renderSeconds(0.2);
    ::unlink(gone.c_str());
    const auto out = offline.renderSeconds(1.0);
    EXPECT_GT(testing::Peak(Channel(out, 0, 0, 24000)), 0.4); // the open file still plays
    EXPECT_EQ(player.GetPlayState(), 0);
}

TEST_F(Player, WavNamedMp3Plays) {
    const std::string path = dir.file("wav-inside.mp3");
    ASSERT_TRUE(testing::WriteSineWav(path, 1.0, 1000.0, 44100, 0.5));
    player.SetFileName(path);
    EXPECT_DOUBLE_EQ(player.GetDuration(), 1.0);
    player.Play();
    EXPECT_GT(testing::Peak(Channel(offline.renderSeconds(0.2), 0)), 0.4);
}

} // namespace
} // namespace korvale
