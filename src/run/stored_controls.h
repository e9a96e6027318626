#pragma once

#include <string>

#include "config/value_form.h"
#include "run/run_cycle.h"
#include "run/start_options.h"

namespace pelora {

// The main window's stored controls held as values, for running without the window: the same
// names, defaults and checks as the window's controls, so that the stored values restore (or
// fall back to the defaults) exactly as they do in the window.
class StoredControls : public ValueForm {
public:
    // The window's controls with the values it shows before anything is restored.
    StoredControls();

    // Puts the command line's values in, as the window does; a course selects autopilot and a
    // rate of turn selects steering.
    void apply(const ControlOverrides& overrides);

    // What a tick reads.
    RunControls runControls() const;
    std::string latitude() const { return text("txt_lat"); }
    std::string longitude() const { return text("txt_lon"); }
    // The rate-of-turn box read leniently: the demanded rate while steering.
    double demandedRate() const;
    // The selected port list entry as a port number (1 to 16), or 0 when none is selected.
    int selectedPort() const;

    bool autopilot() const { return m_autopilot; }
    bool steering() const { return m_steering; }

private:
    bool m_autopilot = false;
    bool m_steering = false;
};

}  // namespace pelora
