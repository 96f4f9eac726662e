// On the test script's private Icecast server: what a listener hears and sees, refused log-ins,
// and a server that goes away and comes back.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <thread>

#include "audio/IcecastBroadcaster.h"
#include "platform/ShoutConnection.h"
#include "support/IcecastListener.h"
#include "support/SignalAnalysis.h"
#include "support/WaitUntil.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
using testing::WaitUntil;

constexpr int kStreamRate = 48000;
constexpr std::size_t kBlockFrames = 480;
constexpr double kToneHz = 440.0;
constexpr auto kListenTime = 4s; // after the server's burst of the last few seconds
constexpr std::size_t kPageBytes = 1 << 20;
constexpr auto kReconnectLimit = 45s; // the longest wait is 30 s

// Writes a tone into the tap in 10 ms blocks at the pace of a real output.
class ToneFeeder {
public:
    explicit ToneFeeder(MixTap& tap) : m_thread([this, &tap] { run(tap); }) {}
    ~ToneFeeder() {
        m_stop = true;
        m_thread.join();
    }

private:
    void run(MixTap& tap) {
        std::vector<float> block(kBlockFrames * 2);
        auto next = std::chrono::steady_clock::now();
        for (std::size_t frame = 0; !m_stop; frame += kBlockFrames) {
            for (std::size_t i = 0; i < kBlockFrames; ++i) {
                const double t = double(frame + i) / kStreamRate;
                block[2 * i] = float(0.5 * std::sin(2.0 * std::numbers::pi * kToneHz * t));
                block[2 * i + 1] = block[2 * i];
            }
            tap.write(block.data(), kBlockFrames);
            next += 10ms;
            std::this_thread::sleep_until(next);
        }
    }
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

BroadcastSettings LocalSettings(StreamFormat format, const std::string& mount,
                                int port = testing::IcecastPort()) {
    BroadcastSettings settings;
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.mount = mount;
    settings.format = format;
    return settings;
}

class Broadcast : public ::testing::Test {
protected:
    void SetUp() override {
        if (testing::IcecastPort() == 0) {
            GTEST_SKIP() << "no Icecast server: run under scripts/with-icecast.sh";
        }
    }
    bool InState(IcecastBroadcaster& broadcaster, BroadcastState state,
                 std::chrono::milliseconds limit = 10s) {
        return WaitUntil([&] { return broadcaster.status().state == state; }, limit);
    }
    MixTap m_tap{4 * kStreamRate};
    ToneFeeder m_feeder{m_tap};
    IcecastBroadcaster m_broadcaster{m_tap, kStreamRate, &ShoutConnection::Make};
};

struct FormatRow {
    const char* name;
    StreamFormat format;
    // Icecast 2.4 reads Vorbis comments for its status page, not those of Opus (and takes
    // no metadata update for an Ogg mount): there the title reaches listeners in the stream.
    bool statusPageShowsTitle;
    bool titleInStream;
};

// Checks what a listener of `mount` gets: the tone and `title`, on the status page or in the
// stream as the format carries it.
void ExpectListenerGets(const FormatRow& row, const std::string& mount, const std::string& title) {
    if (row.statusPageShowsTitle) {
        EXPECT_TRUE(WaitUntil([&] { return testing::StatusShowsTitle(mount, title); }, 2s));
    }
    const std::string bytes = testing::HttpGet(mount, kPageBytes, kListenTime);
    EXPECT_EQ(bytes.find("TITLE=" + title) != std::string::npos, row.titleInStream);
    // The tone in the last second of what the listener got.
    const testing::HeardStream heard = testing::Decode(bytes);
    const std::size_t frames = heard.stereo.size() / 2;
    const auto second = static_cast<std::size_t>(heard.rate);
    const std::size_t from = frames > second ? frames - second : 0;
    EXPECT_NEAR(testing::EstimateFrequencyHz(testing::Channel(heard.stereo, 0, from), heard.rate),
                kToneHz, 2.0);
}

class BroadcastFormat : public Broadcast, public ::testing::WithParamInterface<FormatRow> {};

// Each format: MP3 sends its title again to a server that comes back; Ogg starts afresh.
TEST_P(BroadcastFormat, AListenerHearsTheMixAndItsTitleAlsoAfterTheServerCameBack) {
    const std::string ctl = std::getenv("KORVALE_ICECAST_CTL");
    const std::string mount = std::string("/format-") + GetParam().name;
    m_broadcaster.start(LocalSettings(GetParam().format, mount), testing::IcecastSourcePassword());
    ASSERT_TRUE(InState(m_broadcaster, BroadcastState::Connected));
    EXPECT_EQ(m_broadcaster.status().endpoint,
              "127.0.0.1:" + std::to_string(testing::IcecastPort()) + mount);
    m_broadcaster.announce({"/no/such/clip.mp3", "Night Drive"});
    ExpectListenerGets(GetParam(), mount, "Night Drive");

    ASSERT_EQ(std::system((ctl + " kill").c_str()), 0);
    ASSERT_TRUE(InState(m_broadcaster, BroadcastState::Reconnecting));
    EXPECT_FALSE(m_broadcaster.status().reason.empty());
    ASSERT_EQ(std::system((ctl + " start").c_str()), 0);
    ASSERT_TRUE(InState(m_broadcaster, BroadcastState::Connected, kReconnectLimit));
    ExpectListenerGets(GetParam(), mount, "Night Drive");
    // While it was away the tap was read and thrown away, never left to overflow.
    EXPECT_EQ(m_broadcaster.status().droppedBlocks, 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, BroadcastFormat,
                         ::testing::Values(FormatRow{"mp3", StreamFormat::Mp3, true, false},
                                           FormatRow{"vorbis", StreamFormat::OggVorbis, true, true},
                                           FormatRow{"opus", StreamFormat::OggOpus, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Broadcast, RefusedLogInsSayWhyAndAreNotTriedAgainWhileNothingListeningIs) {
    // The mount of the second row is held by a first source.
    m_broadcaster.start(LocalSettings(StreamFormat::Mp3, "/held"),
                        testing::IcecastSourcePassword());
    ASSERT_TRUE(InState(m_broadcaster, BroadcastState::Connected));
    struct Row {
        const char* mount;
        int port;
        std::string password;
        BroadcastState state;
        const char* reason;
        bool triedAgain;
    };
    const int port = testing::IcecastPort();
    const std::string sourcePassword = testing::IcecastSourcePassword();
    const Row rows[] = {
        {"/free", port, "wrong", BroadcastState::Refused, "wrong user or password", false},
        {"/held", port, sourcePassword, BroadcastState::Refused, "mount /held is in use", false},
        // Nothing listens on port 1.
        {"/free", 1, sourcePassword, BroadcastState::Reconnecting,
         "connection refused by 127.0.0.1:1", true},
    };
    std::atomic<int> tries{0};
    MixTap tap(kStreamRate);
    IcecastBroadcaster broadcaster(tap, kStreamRate,
                                   [&](const auto& settings, const auto& password) {
                                       ++tries;
                                       return ShoutConnection::Make(settings, password);
                                   });
    // Each row's settings come as the user's edit to the running stream: it starts again.
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        tries = 0;
        broadcaster.start(LocalSettings(StreamFormat::Mp3, row.mount, row.port), row.password);
        ASSERT_TRUE(InState(broadcaster, row.state));
        EXPECT_EQ(broadcaster.status().reason, row.reason);
        // A retry comes after the first wait of 1 s.
        EXPECT_EQ(WaitUntil([&] { return tries > 1; }, 3s), row.triedAgain);
        if (row.triedAgain) // and the next wait is twice as long
            EXPECT_TRUE(WaitUntil([&] { return broadcaster.status().retryInSeconds == 2; }, 3s));
    }
    broadcaster.stop();
    EXPECT_EQ(broadcaster.status().state, BroadcastState::Off);
}

} // namespace
} // namespace korvale
