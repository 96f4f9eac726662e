// Broken and hostile clips, and clips that change under the player, on the real engine
// rendered offline with the window run unattended ("LOAD NEXT", "MIX NEXT").
#include <QPushButton>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "decode/DecoderFactory.h"
#include "support/ClipFactory.h"
#include "support/EngineWindowRun.h"
#include "support/OfflineEngine.h"
#include "support/TempDir.h"
#include "ui/PlayListView.h"

using namespace korvale;
using korvale::testing::EngineWindowRun;
using korvale::testing::OfflineEngine;
using korvale::testing::TempDir;

namespace {

constexpr int kClipRate = 44100;
// Long enough that each clip plays alone at full level between two cross-fades.
constexpr double kClipSeconds = 12.0;
constexpr double kSilence = 1e-4;
constexpr int kMp3Filter = 1;
constexpr std::size_t kMaxEntryBytes = 255;
constexpr std::size_t kMaxNameBytes = 255;
// After this long with neither deck playing the unattended run is over.
constexpr long long kIdleEndMs = 2000;

bool Audible(const std::vector<float>& slice) {
    double sum = 0.0;
    for (const float s : slice) {
        sum += static_cast<double>(s) * s;
    }
    return std::sqrt(sum / static_cast<double>(slice.size())) > kSilence;
}

// The window on an offline engine; renders slices and runs the window's timers.
struct OfflineRun {
    OfflineRun()
        : run(engine.voice(VoiceId::Deck1), engine.voice(VoiceId::Deck2)),
          slice(2 * OfflineEngine::kDefaultBuffer) {}

    // One 10 ms slice; false once the run has been idle for kIdleEndMs.
    bool Step() {
        engine.output().pullInto(slice.data(), OfflineEngine::kDefaultBuffer);
        run.AfterSlice(Audible(slice));
        const bool playing = engine.voice(VoiceId::Deck1).playState() == VoicePlayState::Playing ||
                             engine.voice(VoiceId::Deck2).playState() == VoicePlayState::Playing;
        idleMs = playing ? 0 : idleMs + EngineWindowRun::kSliceMs;
        return idleMs < kIdleEndMs;
    }
    // Steps until idle or `limitMs` of audio; the milliseconds rendered.
    long long RunToEnd(long long limitMs) {
        const long long start = run.NowMs();
        while (Step() && run.NowMs() - start < limitMs) {
        }
        return run.NowMs() - start;
    }
    // Steps until `done` holds or `limitMs` passes; whether it held.
    template <typename Predicate> bool StepUntil(Predicate done, long long limitMs) {
        const long long start = run.NowMs();
        while (!done()) {
            if (run.NowMs() - start >= limitMs) {
                return false;
            }
            Step();
        }
        return true;
    }
    // The deck (1 or 2) playing `path` now, or 0.
    int DeckPlaying(const std::string& path) {
        for (const auto id : {VoiceId::Deck1, VoiceId::Deck2}) {
            EngineVoice& voice = engine.voice(id);
            if (voice.playState() == VoicePlayState::Playing && voice.path() == path) {
                return id == VoiceId::Deck1 ? 1 : 2;
            }
        }
        return 0;
    }

    OfflineEngine engine;
    EngineWindowRun run;
    std::vector<float> slice;
    long long idleMs = 0;
};

// A folder of clips of every broken and hostile kind, all matching "*.mp3".
struct HostileFolder {
    HostileFolder() {
        // Playable, with hostile names.
        Mp3("plain.mp3", 300);
        Mp3("with spaces 'single' \"double\".mp3", 350);
        Mp3("new\nline.mp3", 400);
        Mp3("caf\xe9 \xff\xfe not utf-8.mp3", 450);
        Mp3("open alias movie wait.mp3", 500);
        Mp3("x\" alias movie.mp3", 550);
        // A full path of exactly 255 bytes (the longest play-list entry) and of 256 bytes.
        Mp3(NameForPathBytes(kMaxEntryBytes), 600);
        tooLong.insert(Mp3(NameForPathBytes(kMaxEntryBytes + 1), 650));
        // The longest file name a folder holds: its path is longer than an entry can be.
        tooLong.insert(Mp3(std::string(kMaxNameBytes - 4, 'n') + ".mp3", 700));
        // Playable broken files.
        korvale::testing::WriteSineWav(dir.file("a wav named.mp3"), kClipSeconds, 750, kClipRate,
                                       0.5);
        {
            const std::string wav = dir.file("wav claims more.mp3");
            korvale::testing::WriteSineWav(wav, kClipSeconds, 800, kClipRate, 0.5);
            std::string bytes = korvale::testing::ReadBytes(wav);
            bytes.resize(bytes.size() / 2); // the header still claims the whole length
            korvale::testing::WriteBytes(wav, bytes);
        }
        {
            const std::string cut = Mp3("truncated.mp3", 850);
            const std::string bytes = korvale::testing::ReadBytes(cut);
            korvale::testing::WriteBytes(cut, bytes.substr(0, bytes.size() / 2));
        }
        {
            // An ID3v2 tag of 2 MB (sync-safe size) in front of the audio.
            const std::string tagged = Mp3("huge id3.mp3", 900);
            constexpr std::size_t kTagBytes = 2 * 1024 * 1024;
            std::string tag = "ID3";
            tag += std::string{'\x04', '\x00', '\x00'};
            for (const int shift : {21, 14, 7, 0}) {
                tag.push_back(static_cast<char>((kTagBytes >> shift) & 0x7f));
            }
            tag += std::string(kTagBytes, '\0');
            korvale::testing::WriteBytes(tagged, tag + korvale::testing::ReadBytes(tagged));
        }
        {
            const std::string locked = Mp3("no read permission.mp3", 950);
            chmod(locked.c_str(), 0);
        }
        // Unplayable.
        korvale::testing::WriteBytes(dir.file("empty.mp3"), "");
        korvale::testing::WriteBytes(dir.file("random bytes.mp3"),
                                     korvale::testing::RandomBytes(20000, 7));
        korvale::testing::WriteBytes(dir.file("header only.mp3"),
                                     std::string("RIFF\x24\x00\x00\x00WAVE", 12));
        {
            // MPEG frame headers with nothing valid behind them.
            std::string frames;
            for (int i = 0; i < 200; ++i) {
                frames += std::string("\xff\xfb\x90\x64", 4) + std::string(413, '\x55');
            }
            korvale::testing::WriteBytes(dir.file("fake frames.mp3"), frames);
        }
        std::filesystem::create_directory(dir.file("a folder.mp3"));
        mkfifo(dir.file("a pipe.mp3").c_str(), 0600);
        symlink(dir.file("nowhere").c_str(), dir.file("dangling link.mp3").c_str());
    }

    std::string Mp3(const std::string& name, double hz) {
        const std::string path = dir.file(name);
        korvale::testing::WriteSineMp3(path, kClipSeconds, hz, kClipRate,
                                       korvale::testing::Mp3Mode::Cbr);
        return path;
    }
    std::string NameForPathBytes(std::size_t bytes) const {
        const std::size_t prefix = dir.file("").size();
        return std::string(bytes - prefix - 4, 'p') + ".mp3";
    }
    // What the decoders make of each file (the truth the window must follow).
    bool Playable(const std::string& path) const {
        return OpenDecoder(path).status == DecoderOpenStatus::Ok;
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> all;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            all.push_back(entry.path().string());
        }
        return all;
    }

    TempDir dir;
    std::set<std::string> tooLong;
};

TEST(HostileClips, EveryPlayableClipIsHeardAndEveryUnplayableOneLeavesTheList) {
    HostileFolder folder;
    OfflineRun f;
    f.run.Gather(folder.dir.file("plain.mp3"), kMp3Filter);
    const std::vector<std::string> gathered = f.run.Window().PlayListBox->Entries();

    std::vector<std::string> playable;
    std::vector<std::string> unplayable;
    for (const std::string& path : folder.Entries()) {
        const bool listed = std::find(gathered.begin(), gathered.end(), path) != gathered.end();
        if (folder.tooLong.count(path) != 0 || path.size() > kMaxEntryBytes) {
            EXPECT_FALSE(listed) << "a path longer than an entry was listed: " << path.size();
            continue;
        }
        if (folder.Playable(path)) {
            EXPECT_TRUE(listed) << path;
            playable.push_back(path);
        } else if (listed) {
            unplayable.push_back(path);
        }
    }
    ASSERT_GE(playable.size(), 12u);
    ASSERT_GE(unplayable.size(), 4u);

    f.run.StartUnattended();
    // Once through the list (it may start over after its last entry).
    const auto onceThroughMs = static_cast<long long>((static_cast<double>(gathered.size()) + 2.0) *
                                                      kClipSeconds * 1000.0);
    const long long ranMs = f.RunToEnd(onceThroughMs);
    SCOPED_TRACE("ran " + std::to_string(ranMs) + " ms; clips loaded " +
                 std::to_string(f.run.Loaded().size()) + ", heard " +
                 std::to_string(f.run.Heard().size()) + ", hand-overs started " +
                 std::to_string(f.run.HandOversStarted()));

    for (const std::string& path : playable) {
        EXPECT_EQ(f.run.Heard().count(path), 1u) << "never heard: " << path;
    }
    const std::vector<std::string> left = f.run.Window().PlayListBox->Entries();
    for (const std::string& path : unplayable) {
        EXPECT_EQ(std::count(left.begin(), left.end(), path), 0) << "still listed: " << path;
        EXPECT_EQ(f.run.Heard().count(path), 0u) << path;
    }
    EXPECT_GE(f.run.HandOversCompleted(), static_cast<int>(playable.size()) - 1);
}

TEST(HostileClips, ClipsTruncatedOrDeletedWhilePlayingStillHandOver) {
    constexpr double kLongSeconds = 20.0;
    constexpr double kCutFraction = 0.3;
    TempDir dir;
    std::vector<std::string> written;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) {
        written.push_back(dir.file(name));
        ASSERT_TRUE(korvale::testing::WriteSineMp3(written.back(), kLongSeconds,
                                                   440 + 100 * written.size(), kClipRate,
                                                   korvale::testing::Mp3Mode::Cbr));
    }
    OfflineRun f;
    f.run.Gather(written[0], kMp3Filter);
    // The clips play in list order: the second is cut while it plays, the third deleted.
    const std::vector<std::string> clips = f.run.Window().PlayListBox->Entries();
    ASSERT_EQ(std::set<std::string>(clips.begin(), clips.end()),
              std::set<std::string>(written.begin(), written.end()));
    f.run.StartUnattended();

    // The second clip plays: cut its file to 30 %.
    const long long limit = static_cast<long long>(kLongSeconds * 3 * 1000);
    ASSERT_TRUE(f.StepUntil([&] { return f.DeckPlaying(clips[1]) != 0; }, limit));
    const long long bStartMs = f.run.NowMs();
    ASSERT_TRUE(f.StepUntil([&] { return !f.run.Fading(); }, limit));
    const std::string full = korvale::testing::ReadBytes(clips[1]);
    ASSERT_EQ(truncate(clips[1].c_str(), static_cast<off_t>(full.size() * kCutFraction)), 0);

    // The hand-over to the third starts well before the second's full length: it ended
    // where its file did.
    ASSERT_TRUE(f.StepUntil([&] { return f.DeckPlaying(clips[2]) != 0; }, limit));
    const double bPlayedSeconds = static_cast<double>(f.run.NowMs() - bStartMs) / 1000.0;
    EXPECT_LT(bPlayedSeconds, kLongSeconds * 0.75);

    // The third plays: delete its file.
    ASSERT_TRUE(f.StepUntil([&] { return !f.run.Fading(); }, limit));
    ASSERT_EQ(unlink(clips[2].c_str()), 0);
    ASSERT_TRUE(f.StepUntil([&] { return f.DeckPlaying(clips[3]) != 0; }, limit));
    ASSERT_TRUE(f.StepUntil([&] { return !f.run.Fading(); }, limit));
    f.StepUntil([] { return false; }, 1000);

    for (const std::string& path : clips) {
        EXPECT_EQ(f.run.Heard().count(path), 1u) << path;
    }
    // The first clip's fade-in, then three hand-overs.
    EXPECT_EQ(f.run.HandOversCompleted(), 4);
}

} // namespace
