// A simulated week through the real main window: 604,800 ticks on a fake clock with the ship
// running, noise and sea state on, steering changed every few hours and all sentence types in
// turn. Every tick is checked (see tests/support/long_run.h). Prints the run time, the ticks
// per second, the resident memory before and after, and the memory per fix.
//
//   build/bench/bench_week_run [ticks]     (default 604800, one simulated week)
//
// Ends with status 1 when any tick failed its checks.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>

#include "support/fake_serial_control.h"
#include "support/fakes.h"
#include "support/long_run.h"
#include "config/config_dialogs.h"
#include "config/memory_settings_store.h"
#include "nmea/serial_control.h"
#include "sim/clock.h"
#include "sim/random_source.h"
#include "ui/FRM_NMEA.h"

namespace {

using namespace pelora;

double megabytes(std::size_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const std::size_t ticks = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 604'800;

    testing::FakeClock clock;
    ProgramRandom random;
    testing::ManualTicker ticker;
    testing::FakeSerialControl serial;  // COM 1 takes every byte; a week of text is only counted
    serial.available = {1};
    serial.keepWritten = false;
    testing::FakeOutputMaker outputs;
    MemorySettingsStore settings;
    testing::FakeConfigDialogs configDialogs;
    configDialogs.answer = DialogAnswer::No;
    testing::QueuedFileDialogs fileDialogs;
    testing::FakeWindowDialogs dialogs;
    testing::RecordingHelpViewer helpViewer;
    testing::RecordingBrowser browser;
    testing::CountingProgramEnd programEnd;
    Simulation simulation(SimulationServices{clock, random, serial, outputs, settings, "pelora", "/tmp/ttyNMEA"});
    FRM_NMEA window(simulation, WindowServices{clock, ticker, settings, configDialogs, fileDialogs, dialogs,
                                               helpViewer, browser, programEnd, "pelora"});

    const std::size_t residentBefore = testing::residentBytes();
    const auto start = std::chrono::steady_clock::now();
    const testing::LongRunReport report = testing::runLongVoyage(window, [&clock] { clock.advance(std::chrono::milliseconds(1000)); }, ticks);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::size_t residentAfter = testing::residentBytes();
    const std::size_t fixes = window.voyage().fixCount();
    const std::size_t voyage = testing::voyageBytes(window);
    const double growth = static_cast<double>(residentAfter) - static_cast<double>(residentBefore);

    std::printf("ticks                 %zu (%.2f simulated days)\n", report.ticks,
                static_cast<double>(report.ticks) / 86'400.0);
    std::printf("fixes recorded        %zu\n", fixes);
    std::printf("bytes written         %zu\n", serial.bytesWritten);
    std::printf("mode changes          %zu, step presses %zu\n", report.modeChanges, report.stepPresses);
    std::printf("run time              %.2f s\n", seconds);
    std::printf("ticks per second      %.0f\n", static_cast<double>(report.ticks) / seconds);
    std::printf("resident before       %.1f MB\n", megabytes(residentBefore));
    std::printf("resident after        %.1f MB\n", megabytes(residentAfter));
    std::printf("memory per fix        %.0f bytes (voyage list in use: %.0f bytes per fix)\n",
                fixes > 0 ? growth / static_cast<double>(fixes) : 0.0,
                fixes > 0 ? static_cast<double>(voyage) / static_cast<double>(fixes) : 0.0);
    std::printf("growth beside voyage  %.1f MB\n", (growth - static_cast<double>(voyage)) / (1024.0 * 1024.0));
    std::printf("ship at the end       %.6f, %.6f\n", window.ship().Ship_Lat, window.ship().Ship_Lon);
    std::printf("faulty ticks          %zu%s%s\n", report.faults, report.faults > 0 ? ", first: " : "",
                report.firstFault.c_str());
    return report.faults == 0 && fixes == ticks ? EXIT_SUCCESS : EXIT_FAILURE;
}
