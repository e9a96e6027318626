#include "platform/exit_signals.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QUuid>

#include <csignal>

#include "run/port_manager.h"
#include "platform/device_map.h"
#include "platform/qt_serial_control.h"
#include "serial_peers.h"

namespace pelora {
namespace {

using namespace pelora::testing;

TEST(ExitSignalsTest, SignalsArriveOnTheEventLoopAndTheHandlersComeBackAfterwards) {
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    {
        std::vector<int> received;
        ExitSignals exitSignals([&received](int signal) { received.push_back(signal); });
        ASSERT_TRUE(exitSignals.installed());

        ::raise(SIGTERM);
        ::raise(SIGINT);
        EXPECT_TRUE(received.empty()) << "the handler must not run inside the signal";
        pumpEvents(100ms);
        EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT}));
    }
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

// A hang-up that `nohup` told the program to ignore stays ignored; a broken pipe ends nothing.
TEST(ExitSignalsTest, IgnoredSignalsStayIgnoredAndABrokenPipeIsNoEnd) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before {};
    ::sigaction(SIGHUP, &ignore, &before);
    {
        std::vector<int> received;
        ExitSignals exitSignals([&received](int signal) { received.push_back(signal); });
        ::raise(SIGHUP);
        ::raise(SIGPIPE);
        ::raise(SIGUSR1);
        pumpEvents(100ms);
        EXPECT_EQ(received, std::vector<int>{SIGUSR1});
    }
    ::sigaction(SIGHUP, &before, nullptr);
}

TEST(ExitSignalsTest, TerminationClosesThePortAndLeavesNoLockFile) {
    if (!haveProgram(QStringLiteral("socat"))) {
        GTEST_SKIP() << "socat is not installed";
    }
    TempSettings settings;
    const QString name = QUuid::createUuid().toString(QUuid::Id128).left(12);
    SocatPair pair(settings.path(), name);
    ASSERT_TRUE(pair.start());
    settings.mapPort(1, pair.near());
    DeviceMap map(settings.application());
    QtSerialControl control([&map](int port) { return map.devicePath(port); });
    FakePortView view;
    PortManager manager(control);
    manager.setEventListener([&view](const PortEvent& event) { view.showPortEvent(event); });
    manager.probe();
    ASSERT_TRUE(control.PortOpen());
    const bool locked = !lockFilesFor(pair.near()).isEmpty();

    bool quit = false;
    ExitSignals exitSignals([&](int) {
        control.setPortOpen(false);
        quit = true;
    });
    ::raise(SIGTERM);
    pumpEvents(100ms);

    EXPECT_TRUE(quit);
    EXPECT_FALSE(control.PortOpen());
    if (locked) {
        EXPECT_TRUE(lockFilesFor(pair.near()).isEmpty());
    }
}

}  // namespace
}  // namespace pelora
