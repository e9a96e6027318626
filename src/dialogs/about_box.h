#pragma once

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace pelora {

// The About box for the given version text ("1.1.12") and year: titled "About", the
// information icon, one OK button, the text of About_Text.
std::unique_ptr<QMessageBox> makeAboutBox(QWidget* parent, const QString& versionText, int year);

// Shows the About box modally and waits until it is closed. `year` is the current year,
// read from the date each time the box is opened.
void showAboutBox(QWidget* parent, const QString& versionText, int year);

}  // namespace pelora
