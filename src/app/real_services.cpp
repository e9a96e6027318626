#include "app/real_services.h"

#include <QCoreApplication>

#include "platform/browser.h"
#include "platform/device_map.h"
#include "platform/qt_help_viewer.h"
#include "outputs/output_hub.h"
#include "dialogs/qt_config_dialogs.h"
#include "dialogs/qt_file_dialogs.h"
#include "platform/qt_serial_control.h"
#include "platform/qt_settings_store.h"
#include "platform/system_clock.h"
#include "platform/wall_clock_ticker.h"
#include "dialogs/about_text.h"
#include "dialogs/qt_window_dialogs.h"

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
          serial(
              [this, device = options.deviceForCom1](int port) {
                  return port == 1 && !device.isEmpty() ? device : deviceMap.devicePath(port);
              },
              nullptr),
          settings(options.applicationName),
          fileDialogs(nullptr) {
        serial.setObjectName(QStringLiteral("MSComm1"));
    }

    SystemClock clock;
    ProgramRandom random;
    WallClockTicker ticker;
    DeviceMap deviceMap;
    QtSerialControl serial;
    OutputHub outputs;
    QtSettingsStore settings;
    QtConfigDialogs configDialogs;
    QtFileDialogs fileDialogs;
    QtWindowDialogs dialogs;
    QtHelpViewer helpViewer;
    DesktopBrowser browser;
    QtProgramEnd programEnd;
};

RealServices::RealServices(const Options& options)
    : m_options(options), m_parts(std::make_unique<Parts>(m_options)) {}

RealServices::~RealServices() = default;

WindowServices RealServices::windowServices() {
    Parts& p = *m_parts;
    return WindowServices{p.clock,         p.random,      p.ticker,     p.serial,     p.outputs,
                          p.settings,      p.configDialogs, p.fileDialogs, p.dialogs, p.helpViewer,
                          p.browser,       p.programEnd,  m_options.applicationName};
}

void RealServices::setOwner(QWidget* owner) {
    m_parts->configDialogs.setParent(owner);
    m_parts->dialogs.setOwner(owner);
    m_parts->fileDialogs.setParent(owner);
}

Clock& RealServices::clock() { return m_parts->clock; }
RandomSource& RealServices::random() { return m_parts->random; }
Ticker& RealServices::ticker() { return m_parts->ticker; }
SerialControl& RealServices::serial() { return m_parts->serial; }
Outputs& RealServices::outputs() { return m_parts->outputs; }
SettingsStore& RealServices::settings() { return m_parts->settings; }

}  // namespace pelora
