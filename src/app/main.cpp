#include <QApplication>
#include <QFileInfo>

#include "platform/system_clock.h"
#include "sim/random_source.h"
#include "ui/FRM_NMEA.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());

    pelora::SystemClock clock;
    pelora::ProgramRandom random;
    pelora::WindowServices services;
    services.clock = &clock;
    services.random = &random;

    pelora::FRM_NMEA window(services);
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return QApplication::exec();
}
