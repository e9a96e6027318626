#include <QApplication>

#include "app/real_services.h"
#include "platform/exit_signals.h"
#include "platform/qt_settings_store.h"
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

    pelora::RealServices::Options options;
    options.applicationName = pelora::applicationName();
    pelora::RealServices services(options);
    pelora::FRM_NMEA window{services.windowServices()};
    services.setOwner(&window);
    built = &window;
    if (endRequested) {
        window.endProgram();
        return 0;
    }
    QApplication::setWindowIcon(window.windowIcon());

    window.show();
    return QApplication::exec();
}
