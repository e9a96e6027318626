#include "sim/voyage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelora {
namespace {

using Lines = std::vector<std::string>;

Lines fixesOf(const VoyageLog& voyage) { return Lines(voyage.fixes().begin(), voyage.fixes().end()); }

TEST(VoyageLog, StartsEmptyAndRecording) {
    VoyageLog voyage;
    EXPECT_EQ(voyage.fixCount(), 0u);
    EXPECT_TRUE(voyage.fixes().empty());
    EXPECT_FALSE(voyage.isPlaying());
    EXPECT_EQ(voyage.playIndex(), 0u);
}

TEST(VoyageLog, RecordsSentencesInOrder) {
    VoyageLog voyage;
    voyage.record("$GPGLL,1");
    voyage.record("$GPGLL,2");
    voyage.record("$GPGLL,3");
    EXPECT_EQ(fixesOf(voyage), (Lines{"$GPGLL,1", "$GPGLL,2", "$GPGLL,3"}));
    EXPECT_FALSE(voyage.isPlaying());
}

// Each tick of a three-fix voyage "harbour": the caption shows the index before it advances.
TEST(VoyageLog, PlaysEveryFixThenEmptySentencesWithTheCounterStandingAtTheEnd) {
    VoyageLog voyage;
    voyage.replace({"A", "B", "C"}, "harbour");
    ASSERT_TRUE(voyage.isPlaying());
    const std::vector<PlaybackStep> expected = {
        {"A", "Playing #0/3: harbour"}, {"B", "Playing #1/3: harbour"},
        {"C", "Playing #2/3: harbour"}, {"", "Playing #3/3: harbour"},
        {"", "Playing #3/3: harbour"},  {"", "Playing #3/3: harbour"},
    };
    for (std::size_t tick = 0; tick < expected.size(); ++tick) {
        const PlaybackStep step = voyage.playNext();
        EXPECT_EQ(step.sentence, expected[tick].sentence) << "tick " << tick;
        EXPECT_EQ(step.caption, expected[tick].caption) << "tick " << tick;
    }
    EXPECT_EQ(voyage.playIndex(), 3u);
    EXPECT_EQ(fixesOf(voyage), (Lines{"A", "B", "C"})) << "playback records nothing";
}

TEST(VoyageLog, SecondLoadRestartsAtItsFirstFix) {
    VoyageLog voyage;
    voyage.replace({"A", "B"}, "first");
    for (int tick = 0; tick < 4; ++tick) voyage.playNext();
    voyage.replace({"X", "Y", "Z"}, "second");
    const PlaybackStep step = voyage.playNext();
    EXPECT_EQ(step.sentence, "X");
    EXPECT_EQ(step.caption, "Playing #0/3: second");
}

TEST(VoyageLog, EndVoyageKeepsTheLoadedFixesAndRecordsAfterThem) {
    VoyageLog voyage;
    voyage.record("old");
    voyage.replace({"A", "B", "C"}, "harbour");
    voyage.playNext();
    voyage.endVoyage();
    EXPECT_FALSE(voyage.isPlaying());
    EXPECT_EQ(voyage.voyageName(), "");
    EXPECT_EQ(voyage.playIndex(), 1u) << "End Voyage leaves the index where it was";
    voyage.record("new");
    EXPECT_EQ(fixesOf(voyage), (Lines{"A", "B", "C", "new"}));
}

TEST(VoyageLog, LoadWithEmptyNameKeepsRecordingAfterTheLoadedFixes) {
    VoyageLog voyage;
    voyage.replace({"A", "B"}, "");
    EXPECT_FALSE(voyage.isPlaying());
    voyage.record("sim");
    EXPECT_EQ(fixesOf(voyage), (Lines{"A", "B", "sim"}));
}

// A day of fixes at one a second is far beyond 32,767: counting and indexing must not wrap.
TEST(VoyageLog, ADayOfFixesRecordsAndPlaysWithFullCounts) {
    constexpr std::size_t kDay = 86'400;
    VoyageLog voyage;
    for (std::size_t i = 0; i < kDay; ++i) voyage.record("fix " + std::to_string(i));
    ASSERT_EQ(voyage.fixCount(), kDay);
    EXPECT_EQ(voyage.fixes()[40'000], "fix 40000");

    voyage.replace(Lines(voyage.fixes().begin(), voyage.fixes().end()), "day");
    PlaybackStep step;
    for (std::size_t i = 0; i <= 40'000; ++i) step = voyage.playNext();
    EXPECT_EQ(step.sentence, "fix 40000");
    EXPECT_EQ(step.caption, "Playing #40000/86400: day");
    for (std::size_t i = 40'001; i < kDay; ++i) step = voyage.playNext();
    EXPECT_EQ(step.sentence, "fix 86399");
    step = voyage.playNext();
    EXPECT_EQ(step.sentence, "");
    EXPECT_EQ(step.caption, "Playing #86400/86400: day");
}

}  // namespace
}  // namespace pelora
