// The program itself, started as a user starts it: ended from outside by any signal that can be
// caught (the terminal it ran in closing, kill, a modal message still open, the display going
// away), it releases its serial port and its virtual port and ends, leaving no lock file and no
// link behind; SIGPIPE leaves it running.

#include <csignal>

#include <QDir>
#include <QProcessEnvironment>
#include <QTcpServer>

#include "e2e_fixture.h"

namespace pelora::testing {
namespace {

enum class While {
    Running,
    // The TCP port asked for is taken, so that start-up waits in its message, with the serial
    // port and the virtual port already open, until the operator closes it.
    StartUpMessage,
    // The voyage asked for is missing: the window, built, shows the error until it is closed.
    ErrorMessage,
};

struct ExitSignal {
    const char* name;
    int number;
    While during;
    bool headless;
    bool ignored = false;  // the program goes on, and SIGTERM ends it afterwards
};

void PrintTo(const ExitSignal& signal, std::ostream* out) { *out << signal.name; }

class ProgramSignalTest : public EndToEndTest {
protected:
    // Starts the program with the virtual port at link() and the given arguments.
    void start(QStringList arguments, const QString& platform = QStringLiteral("offscreen"),
               const QString& display = {}) {
        arguments << QStringLiteral("--pty-link") << link();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        if (!display.isEmpty()) environment.insert(QStringLiteral("DISPLAY"), display);
        QDir().mkpath(runtime());
        program.setProcessEnvironment(environment);
        program.setStandardOutputFile(QProcess::nullDevice());
        program.setStandardErrorFile(QProcess::nullDevice());
        program.start(QStringLiteral(PELORA_BUILD_DIR "/pelora"), arguments);
        ASSERT_TRUE(program.waitForStarted(3000));
        QDeadlineTimer linked(5s);
        while (!QFile::exists(link()) && !linked.hasExpired()) {
            QThread::msleep(20);
        }
        ASSERT_TRUE(QFile::exists(link())) << "the program made no virtual port";
    }

    // Waits for the end; true when it came by itself.
    bool ended() {
        const bool came = program.waitForFinished(5000);
        if (!came) {
            program.kill();
            program.waitForFinished(3000);
        }
        return came;
    }

    void expectNothingLeft(const SocatPair& pair) {
        EXPECT_EQ(lockFilesFor(pair.near()), QStringList());
        EXPECT_FALSE(QFileInfo::exists(link()) || QFileInfo(link()).isSymLink()) << "the virtual port's link is removed";
        EXPECT_EQ(QDir(runtime() + "/pelora").entryList(QDir::Files | QDir::System), QStringList())
            << "the program's own lock files are removed";
    }

    QString link() const { return folder() + QStringLiteral("/ttyNMEA"); }
    QString runtime() const { return folder() + QStringLiteral("/run"); }

    QProcess program;
};

class SignalTable : public ProgramSignalTest, public ::testing::WithParamInterface<ExitSignal> {};

TEST_P(SignalTable, ReleasesThePortAndEnds) {
    const ExitSignal& row = GetParam();
    SocatPair& pair = startPair(1);
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost));
    QStringList arguments;
    if (row.headless) {
        arguments << QStringLiteral("--headless") << QStringLiteral("--port") << QStringLiteral("1");
    }
    if (row.during == While::StartUpMessage) {
        arguments << QStringLiteral("--tcp") << QString::number(taken.serverPort());
    }
    if (row.during == While::ErrorMessage) {
        arguments << QStringLiteral("--play") << folder() + QStringLiteral("/no-such-voyage.vyg");
    }
    const QByteArray settingsBefore = iniBytes();
    start(arguments);

    // The start-up probe opens COM 1, which locks its device.
    QDeadlineTimer opened(5s);
    while (lockFilesFor(pair.near()).isEmpty() && !opened.hasExpired() && program.state() == QProcess::Running) {
        QThread::msleep(20);
    }
    ASSERT_FALSE(lockFilesFor(pair.near()).isEmpty()) << "the program did not open COM 1";
    if (row.during != While::Running) {
        QThread::msleep(300);
        ASSERT_EQ(program.state(), QProcess::Running);
    }

    ::kill(static_cast<pid_t>(program.processId()), row.number);
    if (row.ignored) {
        EXPECT_FALSE(program.waitForFinished(500)) << "the program ended";
        EXPECT_TRUE(QFileInfo(link()).isSymLink());
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    }
    EXPECT_TRUE(ended()) << "the program did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    expectNothingLeft(pair);
    EXPECT_EQ(iniBytes(), settingsBefore) << "nothing is saved without the question";
}

INSTANTIATE_TEST_SUITE_P(
    , SignalTable,
    ::testing::Values(ExitSignal{"Terminate", SIGTERM, While::Running, false},
                      ExitSignal{"Interrupt", SIGINT, While::Running, false},
                      ExitSignal{"TerminateDuringStartUpMessage", SIGTERM, While::StartUpMessage, false},
                      ExitSignal{"HangupDuringAnErrorMessage", SIGHUP, While::ErrorMessage, false},
                      ExitSignal{"Quit", SIGQUIT, While::Running, false},
                      ExitSignal{"User2", SIGUSR2, While::Running, false},
                      ExitSignal{"HangupHeadless", SIGHUP, While::Running, true},
                      ExitSignal{"User1Headless", SIGUSR1, While::Running, true},
                      ExitSignal{"AlarmHeadless", SIGALRM, While::Running, true},
                      ExitSignal{"PipeIsIgnored", SIGPIPE, While::Running, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The X server the window is shown on ends (a logout, a dropped ssh connection): Qt ends the
// program at once, and the link goes with it.
TEST_F(ProgramSignalTest, LosingTheDisplayRemovesTheLink) {
    if (!haveProgram(QStringLiteral("Xvfb"))) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    startPair(1);
    int number = 90;
    while (number < 200 && (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) ||
                            QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))) {
        ++number;
    }
    QProcess server;
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(programPath(QStringLiteral("Xvfb")), {QStringLiteral(":%1").arg(number), QStringLiteral("-nolisten"),
                                                       QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted(3000));
    QDeadlineTimer listening(5s);
    while (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) && !listening.hasExpired()) {
        QThread::msleep(20);
    }
    start({}, QStringLiteral("xcb"), QStringLiteral(":%1").arg(number));
    QThread::msleep(300);  // the window is up
    ASSERT_EQ(program.state(), QProcess::Running);

    stopProcess(server);
    EXPECT_TRUE(ended()) << "the program did not end";
    EXPECT_FALSE(QFileInfo::exists(link()) || QFileInfo(link()).isSymLink()) << "the virtual port's link is removed";
    EXPECT_EQ(QDir(runtime() + "/pelora").entryList(QDir::Files | QDir::System), QStringList());
}

}  // namespace
}  // namespace pelora::testing
