#include "app/real_services.h"

#include <QCoreApplication>

#include "dialogs/qt_config_dialogs.h"
#include "dialogs/qt_file_dialogs.h"
#include "dialogs/qt_window_dialogs.h"
#include "outputs/output_factory.h"
#include "outputs/pty_output.h"
#include "platform/browser.h"
#include "platform/device_map.h"
#include "platform/gshhg_coastline.h"
#include "platform/qt_help_viewer.h"
#include "platform/qt_serial_control.h"
#include "platform/qt_settings_store.h"
#include "platform/system_clock.h"
#include "platform/wall_clock_ticker.h"

namespace pelora {

// Leaves the application's event loop. (Not in an anonymous namespace: Parts, declared in the
// header, holds one.)
class QtProgramEnd final : public ProgramEnd {
public:
    void leaveEventLoop() override { QCoreApplication::exit(0); }
};

struct RealServices::Parts {
    explicit Parts(const Options& options)
        : random(options.randomSeed),
          deviceMap(QString::fromStdString(options.applicationName)),
          // The device given on the command line stands in for COM 1 this run.
          serial(
              [this, device = options.deviceForCom1](int port) {
                  return port == 1 && !device.isEmpty() ? device : deviceMap.devicePath(port);
              },
              nullptr),
          settings(options.applicationName),
          simulation(SimulationServices{clock, random, serial, outputs, settings, options.applicationName,
                                        defaultPtyLink(), options.randomSeed}) {
        serial.setObjectName(QStringLiteral("MSComm1"));
    }

    SystemClock clock;
    ProgramRandom random;
    WallClockTicker ticker;
    DeviceMap deviceMap;
    QtSerialControl serial;
    OutputFactory outputs;
    QtSettingsStore settings;
    Simulation simulation;
};

struct RealServices::WindowParts {
    // The coast comes from the GSHHG package where it is installed; without it the track view
    // says so.
    WindowParts() : fileDialogs(nullptr), coastline(openGshhgCoastline().source) {}

    QtConfigDialogs configDialogs;
    QtFileDialogs fileDialogs;
    QtWindowDialogs dialogs;
    QtHelpViewer helpViewer;
    DesktopBrowser browser;
    QtProgramEnd programEnd;
    std::unique_ptr<CoastlineSource> coastline;
};

RealServices::RealServices(const Options& options)
    : m_options(options), m_parts(std::make_unique<Parts>(m_options)) {}

RealServices::~RealServices() {
    // The outputs end before the services they write through.
    m_parts->simulation.stopOutputs();
}

Simulation& RealServices::simulation() { return m_parts->simulation; }
Ticker& RealServices::ticker() { return m_parts->ticker; }
SettingsStore& RealServices::settings() { return m_parts->settings; }

WindowServices RealServices::windowServices() {
    if (!m_window) {
        m_window = std::make_unique<WindowParts>();
    }
    Parts& p = *m_parts;
    WindowParts& w = *m_window;
    return WindowServices{p.clock,       p.ticker,      p.settings, w.configDialogs, w.fileDialogs, w.dialogs,
                          w.helpViewer,  w.browser,     w.programEnd, m_options.applicationName,
                          w.coastline.get()};
}

void RealServices::setOwner(QWidget* owner) {
    if (!m_window) return;
    m_window->configDialogs.setParent(owner);
    m_window->dialogs.setOwner(owner);
    m_window->fileDialogs.setParent(owner);
}

}  // namespace pelora
