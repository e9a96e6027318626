#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/file_dialogs.h"

class QFileDialog;
class QWidget;

namespace pelora {

// The file dialogs with QFileDialog: title "Pelora", filter "Pelora (*.vyg)"; the save dialog
// adds ".vyg" to a name typed without extension. Each dialog opens where the last chosen file
// was.
class QtFileDialogs : public FileDialogs {
public:
    // `parent` (may be null) is the window the dialogs are modal to; it must outlive this.
    explicit QtFileDialogs(QWidget* parent);

    // The window the dialogs are modal to from now on (may be null).
    void setParent(QWidget* parent) { m_parent = parent; }

    std::optional<std::string> saveFileName() override;
    std::optional<std::string> openFileName() override;

    // The dialog as saveFileName() or openFileName() shows it, not yet shown; for tests and
    // for callers that run it themselves.
    std::unique_ptr<QFileDialog> makeSaveDialog() const;
    std::unique_ptr<QFileDialog> makeOpenDialog() const;

private:
    std::optional<std::string> run(QFileDialog& dialog);

    QWidget* m_parent;
    std::string m_lastPath;  // the file chosen last, where the next dialog starts
};

}  // namespace pelora
