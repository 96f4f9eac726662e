#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

TEST(CommandLineJoin, JoinsArgumentsAfterTheProgramNameWithBlanks) {
    const char* argv[] = {"/usr/bin/korvale", "-Embedding", "two words", "x"};
    EXPECT_EQ(CommandLine::Join(4, argv), "-Embedding two words x");
    const char* alone[] = {"/usr/bin/korvale"};
    EXPECT_EQ(CommandLine::Join(1, alone), "");
    EXPECT_EQ(CommandLine::Join(0, nullptr), "");
}

TEST(CommandLineParse, RecognisesEitherSwitchAfterDashOrSlash) {
    for (const char* line : {"/Automation", "-Automation", "/Embedding", "-Embedding"}) {
        const auto request = CommandLine::Parse(line);
        EXPECT_TRUE(request.automated) << line;
        EXPECT_EQ(request.remaining, "") << line;
    }
}

TEST(CommandLineParse, CutsOnlyTheSwitchFromAmongOtherArguments) {
    const auto request = CommandLine::Parse("alpha -Embedding beta");
    EXPECT_TRUE(request.automated);
    EXPECT_EQ(request.remaining, "alpha  beta");
}

TEST(CommandLineParse, OrdinaryStartForWrongCaseMissingPrefixOrNoSwitch) {
    for (const char* line : {"/automation", "-embedding", "/EMBEDDING", "Embedding", "Automation",
                             "", "clip.mp3", "+Embedding", "\\Automation"}) {
        const auto request = CommandLine::Parse(line);
        EXPECT_FALSE(request.automated) << line;
        EXPECT_EQ(request.remaining, line);
    }
}

TEST(CommandLineParse, SwitchFollowedByMoreCharactersCountsAndKeepsTheRest) {
    const auto request = CommandLine::Parse("-EmbeddingXYZ tail");
    EXPECT_TRUE(request.automated);
    EXPECT_EQ(request.remaining, "XYZ tail");
}

TEST(CommandLineParse, EmbeddingIsLookedForFirstEvenWhenItComesLater) {
    const auto request = CommandLine::Parse("/Automation -Embedding");
    EXPECT_TRUE(request.automated);
    EXPECT_EQ(request.remaining, "/Automation ");
}

TEST(CommandLineParse, OnlyTheFirstOccurrenceIsCut) {
    const auto request = CommandLine::Parse("-Automation /Automation");
    EXPECT_TRUE(request.automated);
    EXPECT_EQ(request.remaining, " /Automation");
}

TEST(CommandLineParse, AnUnprefixedOccurrenceBeforeAPrefixedOneIsSkipped) {
    const auto request = CommandLine::Parse("Embedding x/Embedding");
    EXPECT_TRUE(request.automated);
    EXPECT_EQ(request.remaining, "Embedding x");
}

} // namespace
} // namespace korvale
