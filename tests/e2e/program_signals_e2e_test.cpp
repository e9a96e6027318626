// The program itself, started as a user starts it: interrupted or terminated from outside, also
// while its start-up still waits for the operator, it releases its serial port and ends,
// leaving no lock file behind.

#include <csignal>

#include <QDir>
#include <QProcessEnvironment>

#include "e2e_fixture.h"

namespace pelora::testing {
namespace {

struct ExitSignal {
    const char* name;
    int number;
    // The settings file does not parse, so that start-up waits in its load message, with the
    // port already open, until the operator closes it.
    bool duringStartUpMessage;
};

void PrintTo(const ExitSignal& signal, std::ostream* out) { *out << signal.name; }

class ProgramSignalTest : public EndToEndTest, public ::testing::WithParamInterface<ExitSignal> {};

TEST_P(ProgramSignalTest, ReleasesThePortAndEnds) {
    SocatPair& pair = startPair(1);
    if (GetParam().duringStartUpMessage) {
        QFile ini(iniPath());
        ASSERT_TRUE(ini.open(QIODevice::Append));
        ini.write("[FRM_NMEA\ngarbage\n");
    }
    const QByteArray settingsBefore = iniBytes();

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(QProcess::nullDevice());
    program.start(QStringLiteral(PELORA_BUILD_DIR "/pelora"), {});
    ASSERT_TRUE(program.waitForStarted(3000));

    // The start-up probe opens COM 1, which locks its device.
    QDeadlineTimer opened(5s);
    while (lockFilesFor(pair.near()).isEmpty() && !opened.hasExpired() && program.state() == QProcess::Running) {
        QThread::msleep(20);
    }
    ASSERT_FALSE(lockFilesFor(pair.near()).isEmpty()) << "the program did not open COM 1";
    if (GetParam().duringStartUpMessage) {
        QThread::msleep(300);
        ASSERT_EQ(program.state(), QProcess::Running);
    }

    ::kill(static_cast<pid_t>(program.processId()), GetParam().number);
    const bool ended = program.waitForFinished(3000);
    if (!ended) {
        program.kill();
        program.waitForFinished(3000);
    }
    EXPECT_TRUE(ended) << "the program did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(lockFilesFor(pair.near()), QStringList());
    EXPECT_EQ(iniBytes(), settingsBefore) << "nothing is saved without the question";
}

INSTANTIATE_TEST_SUITE_P(, ProgramSignalTest,
                         ::testing::Values(ExitSignal{"Terminate", SIGTERM, false}, ExitSignal{"Interrupt", SIGINT, false},
                                           ExitSignal{"TerminateDuringStartUpMessage", SIGTERM, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora::testing
