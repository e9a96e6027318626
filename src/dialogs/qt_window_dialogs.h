#pragma once

#include <QPointer>
#include <QWidget>

#include "dialogs/window_dialogs.h"

namespace pelora {

// The window's boxes as modal QMessageBox dialogs over the owner window.
class QtWindowDialogs final : public WindowDialogs {
public:
    // The boxes are modal to `owner` (centred on the screen while it is null).
    void setOwner(QWidget* owner) { m_owner = owner; }

    void showError(const std::string& message) override;
    void showNotice(const std::string& text) override;
    void showAbout(const std::string& versionText, int year) override;
    bool confirmOnline() override;

private:
    QPointer<QWidget> m_owner;
};

}  // namespace pelora
