#include <csignal>
#include <cstdio>

#include <QApplication>
#include <QCoreApplication>

#include "app/command_line.h"
#include "app/headless.h"
#include "app/real_services.h"
#include "app/run_options.h"
#include "platform/atomic_file.h"
#include "scenario/gpx.h"
#include "platform/exit_signals.h"
#include "platform/app_identity.h"
#include "ui/FRM_NMEA.h"

namespace {

// The command line status for a bad option or value.
constexpr int kUsageError = 2;

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QStringList argumentList(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

// Qt reads its own options from the arguments it is given; ours are read before it starts.
struct QtArguments {
    explicit QtArguments(const QStringList& arguments) {
        for (const QString& argument : pelora::qtArguments(arguments)) {
            storage.push_back(argument.toLocal8Bit());
        }
        for (QByteArray& argument : storage) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        count = static_cast<int>(storage.size());
    }
    std::vector<QByteArray> storage;
    std::vector<char*> pointers;
    int count = 0;
};

int runWindow(const pelora::CommandLine& line, QtArguments& qt) {
    QApplication app(qt.count, qt.pointers.data());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.pelora"));

    // Interrupted or terminated from outside: release the serial port and the other outputs and
    // end, as closing does after the save question. Caught before the window is built, since
    // building it opens the port and may wait in a start-up message; a signal meanwhile ends
    // that wait, and the program ends as soon as the window is complete.
    pelora::FRM_NMEA* built = nullptr;
    bool endRequested = false;
    pelora::ExitSignals exitSignals([&built, &endRequested](int) {
        endRequested = true;
        if (built != nullptr) {
            built->endProgram();
        } else {
            QCoreApplication::exit(0);
        }
    });

    pelora::RealServices::Options options;
    options.applicationName = pelora::executableName();
    options.randomSeed = line.seed.value_or(pelora::ProgramRandom::kStartState);
    options.deviceForCom1 = line.device ? QString::fromStdString(*line.device) : QString();
    pelora::RealServices services(options);

    pelora::WindowStart start;
    start.controls = line.controlOverrides();
    start.outputs = [&line](const pelora::OutputSettings& stored) { return line.outputsOver(stored); };
    start.receiver = [&line](const pelora::ReceiverChoices& stored) { return line.receiverOver(stored); };
    pelora::FRM_NMEA window(services.simulation(), services.windowServices(), start);
    services.setOwner(&window);
    built = &window;
    if (endRequested) {
        window.endProgram();
        return 0;
    }
    if (line.baudIndex) {
        window.MNU_Baud_Click(*line.baudIndex);
    }
    if (line.playFile) {
        window.loadVoyage(*line.playFile);
    }
    for (const std::string& endpoint : line.outputs) {
        window.addOutput(endpoint);
    }
    pelora::Simulation& simulation = services.simulation();
    pelora::applyRunOptions(simulation, line, pelora::ProgramRandom::kStartState,
                            [&services](const std::string& problem) { services.windowServices().dialogs.showError(problem); });
    if (line.routeFile) {
        window.followRouteFile(*line.routeFile);
    }
    // A signal while a step above waited in a message ended the program; the loop it left was
    // the message's own, so the main one must not start.
    if (endRequested) {
        return 0;
    }
    QApplication::setWindowIcon(window.windowIcon());

    window.show();
    if (line.scenarioFile) {
        window.runScenarioFile(*line.scenarioFile);  // presses Run itself
    } else if (line.run) {
        window.CMD_GO_Click(0);
    }
    const int status = QApplication::exec();
    if (line.gpxFile) {
        // The voyage as a track, written when the window ends.
        const std::string gpx = pelora::trackGpx("Pelora", simulation.cycle().track());
        if (const std::error_code error = pelora::writeFileAtomically(*line.gpxFile, gpx)) {
            print(stderr, QStringLiteral("pelora: the track could not be written to %1: %2\n")
                              .arg(QString::fromStdString(*line.gpxFile), QString::fromStdString(error.message())));
            return 1;
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // A file grown past the process's size limit fails its write with an error, which the
    // program reports, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // A reader that goes away (a closed pipe on standard output, a TCP client) is an output's
    // failure, told and handled, never the end of the program.
    std::signal(SIGPIPE, SIG_IGN);
    const QStringList arguments = argumentList(argc, argv);
    const pelora::CommandLine line = pelora::parseCommandLine(arguments);
    switch (line.action) {
    case pelora::CommandLine::Action::Help:
        print(stdout, pelora::usageText());
        return 0;
    case pelora::CommandLine::Action::Version:
        print(stdout, pelora::versionText() + QLatin1Char('\n'));
        return 0;
    case pelora::CommandLine::Action::Error:
        print(stderr, QStringLiteral("pelora: %1\nTry 'pelora --help' for the options.\n").arg(QString::fromStdString(line.error)));
        return kUsageError;
    case pelora::CommandLine::Action::Headless: {
        QtArguments qt(arguments);
        QCoreApplication app(qt.count, qt.pointers.data());
        return pelora::runHeadless(line, pelora::executableName());
    }
    case pelora::CommandLine::Action::Window:
        break;
    }
    QtArguments qt(arguments);
    return runWindow(line, qt);
}
