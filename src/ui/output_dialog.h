#pragma once

#include <QDialog>

#include "nmea/output.h"

namespace pelora {

// The addresses, ports and link path of the outputs besides the serial port.
class OutputDialog : public QDialog {
    Q_OBJECT

public:
    OutputDialog(const OutputSettings& settings, QWidget* parent = nullptr);

    // The choices as the dialog holds them.
    OutputSettings settings() const { return m_settings; }

private:
    OutputSettings m_settings;
};

}  // namespace pelora
