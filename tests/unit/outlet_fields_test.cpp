// The outlets' field checks, their status lines and the stream's news for the desktop.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/BroadcastNews.h"
#include "core/OutletFieldCheck.h"
#include "core/OutletStatusText.h"
#include "interfaces/FolderAccess.h"

namespace korvale {
namespace {

// Refuses the one folder it is told to, with a reason of its own.
struct FakeFolders : FolderAccess {
    std::string unwritable;
    bool CanWrite(const std::string& folder, std::string* why) const override {
        if (folder != unwritable) {
            return true;
        }
        *why = "permission denied";
        return false;
    }
};

std::vector<OutletField> Fields(const std::vector<FieldProblem>& problems) {
    std::vector<OutletField> fields;
    for (const FieldProblem& problem : problems) {
        EXPECT_FALSE(problem.words.empty());
        fields.push_back(problem.field);
    }
    return fields;
}

TEST(OutletFieldCheck, RefusesEachWrongStreamField) {
    struct Row {
        const char* name;
        void (*change)(BroadcastSettings&);
        std::vector<OutletField> refused;
    };
    using F = OutletField;
    const Row rows[] = {
        {"right", [](BroadcastSettings&) {}, {}},
        {"empty host", [](BroadcastSettings& s) { s.host = " "; }, {F::Host}},
        {"host with a space", [](BroadcastSettings& s) { s.host = "a b"; }, {F::Host}},
        {"port 0", [](BroadcastSettings& s) { s.port = 0; }, {F::Port}},
        {"port 1", [](BroadcastSettings& s) { s.port = 1; }, {}},
        {"port 65535", [](BroadcastSettings& s) { s.port = 65535; }, {}},
        {"port 65536", [](BroadcastSettings& s) { s.port = 65536; }, {F::Port}},
        {"mount without /", [](BroadcastSettings& s) { s.mount = "live"; }, {F::Mount}},
        {"empty mount", [](BroadcastSettings& s) { s.mount = ""; }, {F::Mount}},
        {"mount of / alone", [](BroadcastSettings& s) { s.mount = "/"; }, {F::Mount}},
        {"MP3 95", [](BroadcastSettings& s) { s.mp3Kbps = 95; }, {F::StreamBitRate}},
        {"MP3 96", [](BroadcastSettings& s) { s.mp3Kbps = 96; }, {}},
        {"MP3 320", [](BroadcastSettings& s) { s.mp3Kbps = 320; }, {}},
        {"MP3 321", [](BroadcastSettings& s) { s.mp3Kbps = 321; }, {F::StreamBitRate}},
        {"MP3 rate unused by Opus",
         [](BroadcastSettings& s) {
             s.format = StreamFormat::OggOpus;
             s.mp3Kbps = 0;
         },
         {}},
        {"Vorbis 11",
         [](BroadcastSettings& s) {
             s.format = StreamFormat::OggVorbis;
             s.vorbisQuality = 11;
         },
         {F::StreamBitRate}},
        {"Vorbis -1",
         [](BroadcastSettings& s) {
             s.format = StreamFormat::OggVorbis;
             s.vorbisQuality = -1;
         },
         {F::StreamBitRate}},
        {"Opus 31",
         [](BroadcastSettings& s) {
             s.format = StreamFormat::OggOpus;
             s.opusKbps = 31;
         },
         {F::StreamBitRate}},
        {"Opus 257",
         [](BroadcastSettings& s) {
             s.format = StreamFormat::OggOpus;
             s.opusKbps = 257;
         },
         {F::StreamBitRate}},
        {"two wrong",
         [](BroadcastSettings& s) {
             s.host.clear();
             s.port = 0;
         },
         {F::Host, F::Port}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BroadcastSettings settings;
        settings.host = "radio.example.org";
        row.change(settings);
        EXPECT_EQ(Fields(OutletFieldCheck::Check(settings)), row.refused);
    }
}

TEST(OutletFieldCheck, RefusesEachWrongRecordingField) {
    struct Row {
        const char* name;
        RecordingSettings settings;
        std::vector<OutletField> refused;
    };
    using F = OutletField;
    const Row rows[] = {
        {"right", {"/music/mix", RecordingFormat::Flac, 0, ""}, {}},
        {"empty folder", {"", RecordingFormat::Flac, 0, ""}, {F::Folder}},
        {"relative folder", {"music", RecordingFormat::Flac, 0, ""}, {F::Folder}},
        {"unwritable folder", {"/locked", RecordingFormat::Flac, 0, ""}, {F::Folder}},
        {"MP3 95", {"/m", RecordingFormat::Mp3, 95, ""}, {F::RecordingBitRate}},
        {"MP3 320", {"/m", RecordingFormat::Mp3, 320, ""}, {}},
        {"relative now playing", {"/m", RecordingFormat::Wav, 0, "np.txt"}, {F::NowPlayingFile}},
        {"now playing", {"/m", RecordingFormat::Wav, 0, "/tmp/np.txt"}, {}},
    };
    FakeFolders folders;
    folders.unwritable = "/locked";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Fields(OutletFieldCheck::Check(row.settings, folders)), row.refused);
    }
    const auto problems = OutletFieldCheck::Check({"/locked", RecordingFormat::Flac}, folders);
    EXPECT_EQ(problems.at(0).words, "This folder cannot be written: permission denied");
}

TEST(OutletStatusText, SaysTheStateInWords) {
    struct Row {
        BroadcastStatus status;
        const char* text;
    };
    using S = BroadcastState;
    const std::string at = "h:8000/k";
    const Row rows[] = {
        {{S::Off, at, "x", 5, 2, 3}, "off"},
        {{S::Connecting, at, "", 0, 0, 0}, "connecting to h:8000/k"},
        {{S::Connected, at, "", 3723, 0, 0}, "connected to h:8000/k for 1:02:03"},
        {{S::Connected, at, "", 59, 0, 1}, "connected to h:8000/k for 0:59; 1 block dropped"},
        {{S::Reconnecting, at, "connection refused", 0, 8, 0},
         "reconnecting in 8 s: connection refused"},
        {{S::Refused, at, "wrong password", 0, 0, 12},
         "log-in refused: wrong password; 12 blocks dropped"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(OutletStatusText::Broadcast(row.status), row.text);
    }
    using R = RecordingState;
    EXPECT_EQ(OutletStatusText::Recording({R::Off, "/m/a.flac", "", 5.0, 0}), "off");
    EXPECT_EQ(OutletStatusText::Recording({R::Recording, "/m/a.flac", "", 754.9, 2}),
              "recording to /m/a.flac (12:34); 2 blocks dropped");
    EXPECT_EQ(OutletStatusText::Recording({R::Failed, "/m/a.flac", "the disk is full", 9.0, 0}),
              "stopped: the disk is full");
}

TEST(BroadcastNews, TellsOnlyOfALossAndAReturn) {
    using S = BroadcastState;
    struct Row {
        S state;
        std::optional<std::string> summary;
    };
    const Row rows[] = {
        {S::Connecting, std::nullopt},
        {S::Connected, std::nullopt},
        {S::Reconnecting, "KORVALE: the stream is lost"},
        {S::Reconnecting, std::nullopt},
        {S::Connecting, std::nullopt},
        {S::Connected, "KORVALE: the stream is back"},
        {S::Refused, "KORVALE: the stream is lost"},
        {S::Off, std::nullopt},
        {S::Connected, std::nullopt},
    };
    BroadcastNews news;
    int step = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(step++);
        BroadcastStatus status;
        status.state = row.state;
        const std::optional<BroadcastNotice> notice = news.Update(status);
        EXPECT_EQ(notice.has_value(), row.summary.has_value());
        if (notice && row.summary) {
            EXPECT_EQ(notice->summary, *row.summary);
        }
    }
}

} // namespace
} // namespace korvale
