#pragma once

#include <memory>
#include <string>

#include <QString>

#include "run/simulation.h"
#include "sim/random_source.h"
#include "ui/window_services.h"

class QWidget;

namespace pelora {

class Ticker;

// The program's composition root: the one place that builds the real services (the system
// clock, the random source, the beat, the device map and serial control, the outputs' maker, the
// settings file) and the one simulation over them, for the window or the headless runner; and,
// for the window only, its dialogs, help viewer and browser. Requires a QCoreApplication (a
// QApplication for windowServices()). Lives as long as the window or runner it serves.
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

    Simulation& simulation();
    Ticker& ticker();
    SettingsStore& settings();
    const std::string& applicationName() const { return m_options.applicationName; }

    // The services as the window takes them, built at the first call; the dialogs are modal to
    // `owner` once it is set.
    WindowServices windowServices();
    void setOwner(QWidget* owner);

private:
    Options m_options;
    struct Parts;
    struct WindowParts;
    std::unique_ptr<Parts> m_parts;
    std::unique_ptr<WindowParts> m_window;
};

}  // namespace pelora
