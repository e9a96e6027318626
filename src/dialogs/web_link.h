#pragma once

#include <memory>

class QMessageBox;
class QWidget;

namespace pelora {

// The question asked before the browser opens.
inline constexpr char kOnlineQuestion[] =
    "Ensure you are online ... and then click OK to activate your browser connection";

// The box that asks it: OK and Cancel, no icon, titled with the program's title.
std::unique_ptr<QMessageBox> makeOnlineQuestionBox(QWidget* parent);

// Shows that box modally; true only when the operator chose OK (Cancel or closing: false).
bool askOnline(QWidget* parent);

}  // namespace pelora
