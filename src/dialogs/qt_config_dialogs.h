#pragma once

#include <QPointer>
#include <QWidget>

#include "config/config_dialogs.h"

namespace pelora {

// The configuration store's message boxes as modal QMessageBox dialogs over `parent`.
class QtConfigDialogs : public ConfigDialogs {
public:
    // `parent` may be null (the boxes are then centred on the screen).
    explicit QtConfigDialogs(QWidget* parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget* parent) { m_parent = parent; }

    // Yes, No and Cancel, Yes the default; Escape or closing the box answers Cancel.
    DialogAnswer askYesNoCancel(const std::string& text, const std::string& title) override;
    // One OK button.
    void showMessage(const std::string& text, const std::string& title) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace pelora
