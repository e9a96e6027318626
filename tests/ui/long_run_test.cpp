// A simulated day through the window: every tick gives exactly one valid fix, the position
// stays finite and in range, and memory grows with the voyage list only. The week-long run
// is the program bench_week_run.
#include "support/long_run.h"
#include "window_fixture.h"

namespace pelora::testing {
namespace {

constexpr std::size_t kTicksPerDay = 86'400;
// Room for the allocator's own bookkeeping and for caches that fill once (fonts, glyphs).
constexpr std::size_t kSlackBytes = 16u << 20;

class LongRun : public WindowTest {
protected:
    void SetUp() override {
        serial.available = {1};  // every fix also goes out on the port
        WindowTest::SetUp();
    }
};

TEST_F(LongRun, ADayOfTicksGivesOneValidFixEachAndMemoryOnlyForTheVoyage) {
    ASSERT_TRUE(serial.PortOpen());
    serial.written.reserve(kTicksPerDay * 80);  // the fake port's copy is not the program's memory

    const std::size_t residentBefore = residentBytes();
    const LongRunReport report =
        runLongVoyage(*window, [this] { clock.advance(std::chrono::milliseconds(1000)); }, kTicksPerDay);
    const std::size_t residentAfter = residentBytes();

    EXPECT_EQ(report.faults, 0u) << report.firstFault;
    EXPECT_EQ(window->voyage().fixCount(), kTicksPerDay);
    EXPECT_GE(report.modeChanges, 7u);
    EXPECT_GE(report.stepPresses, 100u);
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer keeps freed memory in quarantine and pads every allocation, so
    // resident memory says nothing about the program's own growth there.
    const bool memoryMeaningful = false;
#else
    const bool memoryMeaningful = true;
#endif
    if (memoryMeaningful && residentBefore > 0) {
        EXPECT_LE(residentAfter, residentBefore + voyageBytes(*window, true) + serial.written.capacity() + kSlackBytes)
            << "resident memory grew by " << (residentAfter - residentBefore) << " bytes";
    }
}

}  // namespace
}  // namespace pelora::testing
