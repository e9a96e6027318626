#include <QApplication>

#include "platform/exit_signals.h"
#include "ui/FRM_NMEA.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    // Interrupted or terminated from outside: release the serial port and end, as closing does
    // after the save question. Caught before the window is built, since building it opens the
    // port and may wait in a start-up message; a signal meanwhile ends that wait, and the
    // program ends as soon as the window is complete.
    pelora::FRM_NMEA* built = nullptr;
    bool endRequested = false;
    pelora::ExitSignals exitSignals([&built, &endRequested](int) {
        if (built != nullptr) {
            built->endProgram();
        } else {
            endRequested = true;
            QCoreApplication::exit(0);
        }
    });

    // Every outside service is the real one: the system clock, the serial ports, the user's
    // settings file, the desktop's dialogs, help window and browser.
    pelora::FRM_NMEA window{pelora::WindowServices{}};
    built = &window;
    if (endRequested) {
        window.endProgram();
        return 0;
    }
    QApplication::setWindowIcon(window.windowIcon());

    window.show();
    return QApplication::exec();
}
