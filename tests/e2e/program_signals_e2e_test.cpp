// The program itself, started as a user starts it: interrupted or terminated from outside, also
// while its start-up still waits for the operator, it releases its serial port and its virtual
// port and ends, leaving no lock file and no link behind.

#include <csignal>

#include <QDir>
#include <QProcessEnvironment>
#include <QTcpServer>

#include "e2e_fixture.h"

namespace pelora::testing {
namespace {

struct ExitSignal {
    const char* name;
    int number;
    // The TCP port asked for is taken, so that start-up waits in its message, with the serial
    // port and the virtual port already open, until the operator closes it.
    bool duringStartUpMessage;
};

void PrintTo(const ExitSignal& signal, std::ostream* out) { *out << signal.name; }

class ProgramSignalTest : public EndToEndTest, public ::testing::WithParamInterface<ExitSignal> {};

TEST_P(ProgramSignalTest, ReleasesThePortAndEnds) {
    SocatPair& pair = startPair(1);
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost));
    const QString link = folder() + QStringLiteral("/ttyNMEA");
    QStringList arguments{QStringLiteral("--pty-link"), link};
    if (GetParam().duringStartUpMessage) {
        arguments << QStringLiteral("--tcp") << QString::number(taken.serverPort());
    }
    const QByteArray settingsBefore = iniBytes();

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.setStandardOutputFile(QProcess::nullDevice());
    program.setStandardErrorFile(QProcess::nullDevice());
    program.start(QStringLiteral(PELORA_BUILD_DIR "/pelora"), arguments);
    ASSERT_TRUE(program.waitForStarted(3000));

    // The start-up probe opens COM 1, which locks its device.
    QDeadlineTimer opened(5s);
    while (lockFilesFor(pair.near()).isEmpty() && !opened.hasExpired() && program.state() == QProcess::Running) {
        QThread::msleep(20);
    }
    ASSERT_FALSE(lockFilesFor(pair.near()).isEmpty()) << "the program did not open COM 1";
    QDeadlineTimer linked(5s);
    while (!QFile::exists(link) && !linked.hasExpired()) {
        QThread::msleep(20);
    }
    ASSERT_TRUE(QFile::exists(link)) << "the program made no virtual port";
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
    EXPECT_FALSE(QFileInfo::exists(link) || QFileInfo(link).isSymLink()) << "the virtual port's link is removed";
    EXPECT_EQ(iniBytes(), settingsBefore) << "nothing is saved without the question";
}

INSTANTIATE_TEST_SUITE_P(, ProgramSignalTest,
                         ::testing::Values(ExitSignal{"Terminate", SIGTERM, false}, ExitSignal{"Interrupt", SIGINT, false},
                                           ExitSignal{"TerminateDuringStartUpMessage", SIGTERM, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora::testing
