#include "core/ClipDisplayName.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

TEST(ClipDisplayName, FullPathsWithThreeLetterExtensions) {
    EXPECT_EQ(ClipDisplayName("/home/dj/Music/Song One.mp3"), "Song One");
    EXPECT_EQ(ClipDisplayName("/srv/a.b/Track.WAV"), "Track");
    EXPECT_EQ(ClipDisplayName("relative/dir/x.mp3"), "x");
    EXPECT_EQ(ClipDisplayName("Song.mp3"), "Song");
    // Only the last four characters go, inner dots stay.
    EXPECT_EQ(ClipDisplayName("/m/Live.at.Home.mp3"), "Live.at.Home");
}

TEST(ClipDisplayName, EmptyOrNamelessGivesErr) {
    EXPECT_EQ(ClipDisplayName(""), "ERR");
    EXPECT_EQ(ClipDisplayName("/"), "ERR");
    EXPECT_EQ(ClipDisplayName("/home/dj/Music/"), "ERR");
}

TEST(ClipDisplayName, OtherExtensionsDropFromTheLastDot) {
    EXPECT_EQ(ClipDisplayName("/m/Song.flac"), "Song");
    EXPECT_EQ(ClipDisplayName("/m/Song.ab"), "Song");
    EXPECT_EQ(ClipDisplayName("/m/Song."), "Song");
    EXPECT_EQ(ClipDisplayName("/m/v1.2.ogg.x"), "v1.2.ogg");
}

TEST(ClipDisplayName, NamesThatWouldComeOutEmptyAreKeptWhole) {
    EXPECT_EQ(ClipDisplayName("/m/README"), "README");
    EXPECT_EQ(ClipDisplayName("/m/.mp3"), ".mp3");
    EXPECT_EQ(ClipDisplayName("/m/.hidden"), ".hidden");
    EXPECT_EQ(ClipDisplayName("/m/a"), "a");
    EXPECT_EQ(ClipDisplayName("/m/."), ".");
    EXPECT_EQ(ClipDisplayName("abc"), "abc");
}

TEST(ClipDisplayName, FolderDotsDoNotCountAsExtensions) {
    EXPECT_EQ(ClipDisplayName("/music.lib/Intro"), "Intro");
    EXPECT_EQ(ClipDisplayName("/x.mp3/ab"), "ab");
}

} // namespace
} // namespace korvale
