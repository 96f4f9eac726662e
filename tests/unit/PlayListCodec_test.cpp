#include "core/PlayListCodec.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

using Entries = std::vector<std::string>;

const std::string kZtlHeaderTwo = "\"Zantor Play List\"\r\r\n"
                                  "\"Date: \"\r\r\n"
                                  "\"Owner: \"\r\r\n"
                                  "\"Clips: 2\"\r\r\n"
                                  "\"Duration: \"\r\r\n"
                                  "\"Style: \"\r\r\n"
                                  "\"Description: \"\r\r\n"
                                  "\"Date to play: \"\r\r\n"
                                  "\"Time to play: \"\r\r\n";

TEST(PlayListEncode, ZtlIsByteExact) {
    const std::string bytes = EncodeZtl({"/m/a.mp3", "/m/b c.wav"});
    EXPECT_EQ(bytes, kZtlHeaderTwo + "\"/m/a.mp3\"\r\r\n\"/m/b c.wav\"\r\r\n");
    std::size_t lines = 0;
    for (std::size_t i = 0; i + 2 < bytes.size(); ++i) {
        lines += bytes.compare(i, 3, "\r\r\n") == 0 ? 1 : 0;
    }
    EXPECT_EQ(lines, 11u);
    EXPECT_EQ(EncodeZtl({}).find("\"Clips: 0\"\r\r\n"), 44u);
    EXPECT_NE(EncodeZtl(Entries(1234, "x")).find("\"Clips: 1234\"\r\r\n"), std::string::npos);
}

TEST(PlayListEncode, PlainListIsByteExact) {
    EXPECT_EQ(EncodePlainList({"/m/a.mp3", "", "/m/b.wav"}), "/m/a.mp3\r\n\r\n/m/b.wav\r\n");
    EXPECT_EQ(EncodePlainList({}), "");
}

TEST(PlayListDecode, RoundTrips) {
    const Entries entries{"/m/a.mp3", "", "/m/#odd name.wav", std::string(255, 'y'), "é/ü"};
    EXPECT_EQ(DecodeZtl(EncodeZtl(entries)).entries, entries);
    EXPECT_EQ(DecodeM3u(EncodePlainList(entries)).entries, entries);
    EXPECT_TRUE(DecodeZtl(EncodeZtl({})).entries.empty());
}

TEST(PlayListDecode, ZtlHeaderIsSkippedWhateverItSays) {
    const std::string bytes = "\"Something else\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"junk \"/a\" \"\"";
    const DecodedPlayList result = DecodeZtl(bytes);
    EXPECT_EQ(result.entries, (Entries{"/a", ""}));
    EXPECT_EQ(result.refusedTooLong, 0u);
}

TEST(PlayListDecode, ZtlFieldsMaySpanLinesAndNineOrFewerGiveNothing) {
    EXPECT_EQ(DecodeZtl(kZtlHeaderTwo + "\"a\r\nb\"").entries, (Entries{"a\r\nb"}));
    EXPECT_TRUE(DecodeZtl(kZtlHeaderTwo).entries.empty());
    EXPECT_TRUE(DecodeZtl("").entries.empty());
    EXPECT_TRUE(DecodeZtl("/m/a.mp3\r\n/m/b.mp3\r\n").entries.empty()); // a plain list
}

TEST(PlayListDecode, ZtlUnclosedLastFieldIsRefused) {
    const DecodedPlayList result = DecodeZtl(kZtlHeaderTwo + "\"/a\"\r\r\n\"/b/cut of");
    EXPECT_EQ(result.entries, (Entries{"/a"}));
    EXPECT_EQ(result.refusedUnclosed, 1u);
    // An unclosed header field is no entry, so nothing is refused.
    EXPECT_EQ(DecodeZtl("\"Zantor").refusedUnclosed, 0u);
    // A lone quote as the very last byte.
    EXPECT_EQ(DecodeZtl(kZtlHeaderTwo + "\"").refusedUnclosed, 1u);
}

TEST(PlayListDecode, OverlongFieldsAndLinesAreRefusedNotCut) {
    const std::string longEntry(256, 'z');
    const std::string fits(255, 'f');
    const DecodedPlayList ztl =
        DecodeZtl(kZtlHeaderTwo + "\"" + longEntry + "\"\"" + fits + "\"\"" + longEntry + "\"");
    EXPECT_EQ(ztl.entries, (Entries{fits}));
    EXPECT_EQ(ztl.refusedTooLong, 2u);

    const DecodedPlayList m3u = DecodeM3u(longEntry + "\r\n" + fits + "\r\n" + longEntry);
    EXPECT_EQ(m3u.entries, (Entries{fits}));
    EXPECT_EQ(m3u.refusedTooLong, 2u);
    // The CR of the line end does not count toward the length.
    EXPECT_EQ(DecodeM3u(fits + "\r\n").entries, (Entries{fits}));
}

TEST(PlayListDecode, ExtendedM3uExampleGivesThreeEntries) {
    const std::string bytes = "#EXTM3U\r\n#EXTINF:123,Artist - Title\r\n/music/Title.mp3\r\n";
    EXPECT_EQ(DecodeM3u(bytes).entries,
              (Entries{"#EXTM3U", "#EXTINF:123,Artist - Title", "/music/Title.mp3"}));
}

TEST(PlayListDecode, M3uLineEnds) {
    // LF-only files keep every character.
    EXPECT_EQ(DecodeM3u("/m/a.mp3\n/m/b.mp3\n").entries, (Entries{"/m/a.mp3", "/m/b.mp3"}));
    // Empty lines, CR LF or a lone LF, are empty entries.
    EXPECT_EQ(DecodeM3u("a\r\n\r\n\nb\n").entries, (Entries{"a", "", "", "b"}));
    EXPECT_EQ(DecodeM3u("\n").entries, (Entries{""}));
    // A last line without LF is kept from two bytes on; a single byte is ignored.
    EXPECT_EQ(DecodeM3u("a\r\nbc").entries, (Entries{"a", "bc"}));
    EXPECT_EQ(DecodeM3u("a\r\nb").entries, (Entries{"a"}));
    EXPECT_EQ(DecodeM3u("b").entries, (Entries{}));
    EXPECT_EQ(DecodeM3u("a\r\nb\r").entries, (Entries{"a", "b"}));
    EXPECT_EQ(DecodeM3u("a\r\n\r").entries, (Entries{"a"}));
    EXPECT_TRUE(DecodeM3u("").entries.empty());
    // Only one CR goes: a ZTL file read as a media play list keeps the other.
    EXPECT_EQ(DecodeM3u("\"Zantor Play List\"\r\r\n").entries, (Entries{"\"Zantor Play List\"\r"}));
    // A CR elsewhere in a line is data.
    EXPECT_EQ(DecodeM3u("a\rb\n").entries, (Entries{"a\rb"}));
}

TEST(PlayListCheck, EntriesThatAFormatCannotHold) {
    EXPECT_EQ(FirstEntryWithQuote({"a", "b", "c"}), std::nullopt);
    EXPECT_EQ(FirstEntryWithQuote({"a", "b\"x", "c\""}), 1u);
    EXPECT_EQ(FirstEntryWithQuote({}), std::nullopt);
    EXPECT_EQ(FirstEntryWithLineBreak({"a", "b"}), std::nullopt);
    EXPECT_EQ(FirstEntryWithLineBreak({"a", "b", "c\rd"}), 2u);
    EXPECT_EQ(FirstEntryWithLineBreak({"a\n"}), 0u);
}

} // namespace
} // namespace korvale
