#include <QApplication>

#include "platform/exit_signals.h"
#include "ui/FRM_NMEA.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    // Every outside service is the real one: the system clock, the serial ports, the user's
    // settings file, the desktop's dialogs, help window and browser.
    pelora::FRM_NMEA window{pelora::WindowServices{}};
    QApplication::setWindowIcon(window.windowIcon());

    // Interrupted or terminated from outside: release the serial port and end, as closing does
    // after the save question.
    pelora::ExitSignals exitSignals([&window](int) { window.endProgram(); });

    window.show();
    return QApplication::exec();
}
