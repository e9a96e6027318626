#pragma once

#include "config/value_form.h"

namespace pelora {

// The main window's stored controls held as values, for running without the window: the same
// names, defaults and checks as the window's controls, so that the stored values restore (or
// fall back to the defaults) exactly as they do in the window.
class StoredControls : public ValueForm {
public:
    // The window's controls with the values it shows before anything is restored.
    StoredControls();

    // The selected port list entry as a port number (1 to 16), or 0 when none is selected.
    int selectedPort() const;
};

}  // namespace pelora
