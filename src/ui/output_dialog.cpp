#include "ui/output_dialog.h"

namespace pelora {

OutputDialog::OutputDialog(const OutputSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {}

}  // namespace pelora
