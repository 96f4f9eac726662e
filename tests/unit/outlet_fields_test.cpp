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
    using Field = OutletField;
    using Format = StreamFormat;
    struct Row {
        const char* name;
        std::string host;
        int port;
        std::string mount;
        Format format;
        int rate; // kbit/s, or the Vorbis quality
        std::vector<OutletField> refused;
    };
    const Row rows[] = {
        {"right", "radio.example.org", 8000, "/k", Format::Mp3, 128, {}},
        {"empty host", " ", 8000, "/k", Format::Mp3, 128, {Field::Host}},
        {"host with a space", "a b", 8000, "/k", Format::Mp3, 128, {Field::Host}},
        {"port 0", "h", 0, "/k", Format::Mp3, 128, {Field::Port}},
        {"port 1", "h", 1, "/k", Format::Mp3, 128, {}},
        {"port 65535", "h", 65535, "/k", Format::Mp3, 128, {}},
        {"port 65536", "h", 65536, "/k", Format::Mp3, 128, {Field::Port}},
        {"mount without /", "h", 8000, "live", Format::Mp3, 128, {Field::Mount}},
        {"empty mount", "h", 8000, "", Format::Mp3, 128, {Field::Mount}},
        {"mount of / alone", "h", 8000, "/", Format::Mp3, 128, {Field::Mount}},
        {"MP3 95", "h", 8000, "/k", Format::Mp3, 95, {Field::StreamBitRate}},
        {"MP3 96", "h", 8000, "/k", Format::Mp3, 96, {}},
        {"MP3 320", "h", 8000, "/k", Format::Mp3, 320, {}},
        {"MP3 321", "h", 8000, "/k", Format::Mp3, 321, {Field::StreamBitRate}},
        {"Vorbis 11", "h", 8000, "/k", Format::OggVorbis, 11, {Field::StreamBitRate}},
        {"Vorbis -1", "h", 8000, "/k", Format::OggVorbis, -1, {Field::StreamBitRate}},
        {"Vorbis 0", "h", 8000, "/k", Format::OggVorbis, 0, {}},
        {"Opus 31", "h", 8000, "/k", Format::OggOpus, 31, {Field::StreamBitRate}},
        {"Opus 256", "h", 8000, "/k", Format::OggOpus, 256, {}},
        {"Opus 257", "h", 8000, "/k", Format::OggOpus, 257, {Field::StreamBitRate}},
        {"two wrong", "", 0, "/k", Format::Mp3, 128, {Field::Host, Field::Port}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BroadcastSettings settings;
        settings.host = row.host;
        settings.port = row.port;
        settings.mount = row.mount;
        settings.format = row.format;
        // Only the chosen format's rate is read: the others are out of range.
        settings.mp3Kbps = row.format == Format::Mp3 ? row.rate : 0;
        settings.vorbisQuality = row.format == Format::OggVorbis ? row.rate : 99;
        settings.opusKbps = row.format == Format::OggOpus ? row.rate : 0;
        EXPECT_EQ(Fields(OutletFieldCheck::Check(settings)), row.refused);
    }
}

TEST(OutletFieldCheck, RefusesEachWrongRecordingField) {
    struct Row {
        const char* name;
        RecordingSettings settings;
        std::vector<OutletField> refused;
    };
    using Field = OutletField;
    const Row rows[] = {
        {"right", {"/music/mix", RecordingFormat::Flac, 0, ""}, {}},
        {"empty folder", {"", RecordingFormat::Flac, 0, ""}, {Field::Folder}},
        {"relative folder", {"music", RecordingFormat::Flac, 0, ""}, {Field::Folder}},
        {"unwritable folder", {"/locked", RecordingFormat::Flac, 0, ""}, {Field::Folder}},
        {"MP3 95", {"/m", RecordingFormat::Mp3, 95, ""}, {Field::RecordingBitRate}},
        {"MP3 320", {"/m", RecordingFormat::Mp3, 320, ""}, {}},
        {"relative now playing",
         {"/m", RecordingFormat::Wav, 0, "np.txt"},
         {Field::NowPlayingFile}},
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
    using State = BroadcastState;
    const std::string at = "h:8000/k";
    const Row rows[] = {
        {{State::Off, at, "x", 5, 2, 3}, "off"},
        {{State::Connecting, at, "", 0, 0, 0}, "connecting to h:8000/k"},
        {{State::Connected, at, "", 3723, 0, 0}, "connected to h:8000/k for 1:02:03"},
        {{State::Connected, at, "", 59, 0, 1}, "connected to h:8000/k for 0:59; 1 block dropped"},
        {{State::Refused, at, "wrong password", 0, 0, 12},
         "log-in refused: wrong password; 12 blocks dropped"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(OutletStatusText::Broadcast(row.status), row.text);
    }
    using Recording = RecordingState;
    EXPECT_EQ(OutletStatusText::Recording({Recording::Recording, "/m/a.flac", "", 754.9, 2}),
              "recording to /m/a.flac (12:34); 2 blocks dropped");
    EXPECT_EQ(
        OutletStatusText::Recording({Recording::Failed, "/m/a.flac", "the disk is full", 9.0, 0}),
        "stopped: the disk is full");
}

TEST(BroadcastNews, TellsOnlyOfALossAndAReturn) {
    using State = BroadcastState;
    struct Row {
        State state;
        std::optional<std::string> summary;
    };
    const Row rows[] = {
        {State::Connecting, std::nullopt},
        {State::Connected, std::nullopt},
        {State::Reconnecting, "KORVALE: the stream is lost"},
        {State::Reconnecting, std::nullopt},
        {State::Connecting, std::nullopt},
        {State::Connected, "KORVALE: the stream is back"},
        {State::Refused, "KORVALE: the stream is lost"},
        {State::Off, std::nullopt},
        {State::Connected, std::nullopt},
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
