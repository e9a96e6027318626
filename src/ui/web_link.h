#pragma once

#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

namespace pelora {

// The question asked before the browser opens.
inline constexpr char kOnlineQuestion[] =
    "Ensure you are online ... and then click OK to activate your browser connection";

// The box that asks it: OK and Cancel, no icon, titled with the application title.
std::unique_ptr<QMessageBox> makeOnlineQuestionBox(QWidget* parent);

// Shows that box modally; true only when the operator chose OK (Cancel or closing: false).
bool askOnline(QWidget* parent);

// What the logo link needs from the desktop; tests put fakes in.
struct WebLinkServices {
    std::function<bool(QWidget* parent)> confirm = askOnline;
    std::function<bool(const QString& address)> openBrowser;  // empty: Activate_Browser
};

// A click on the logo: asks, and on OK opens the maker's site once. Returns whether the
// browser was asked to open (its own result is ignored).
bool visitWebsite(QWidget* parent, const WebLinkServices& services = {});

}  // namespace pelora
