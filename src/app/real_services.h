#pragma once

#include <memory>
#include <string>

#include <QString>

#include "sim/random_source.h"
#include "ui/window_services.h"

class QWidget;

namespace pelora {

class DeviceMap;
class QtConfigDialogs;
class QtFileDialogs;
class QtSerialControl;
class QtSettingsStore;
class QtHelpViewer;
class QtWindowDialogs;
class DesktopBrowser;
class SystemClock;

// The program's composition root: the one place that builds the real services (the system
// clock, the random source, the beat, the device map and serial control, the other outputs,
// the settings file, the dialogs, the help viewer and the browser) and hands them out as
// references. Requires a QApplication. Lives as long as the window or runner it serves.
class RealServices {
public:
    struct Options {
        std::string applicationName;        // the settings' application: the executable's name
        std::uint64_t randomSeed = ProgramRandom::kStartState;  // the random source's start state
        QString deviceForCom1;              // when not empty, COM 1 opens this device this run
    };

    explicit RealServices(const Options& options);
    ~RealServices();
    RealServices(const RealServices&) = delete;
    RealServices& operator=(const RealServices&) = delete;

    // The services as the window takes them; the dialogs are modal to `owner` once it is set.
    WindowServices windowServices();
    void setOwner(QWidget* owner);

    Clock& clock();
    RandomSource& random();
    Ticker& ticker();
    SerialControl& serial();
    Outputs& outputs();
    SettingsStore& settings();
    const std::string& applicationName() const { return m_options.applicationName; }

private:
    Options m_options;
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

}  // namespace pelora
