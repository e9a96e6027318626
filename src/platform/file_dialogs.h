#pragma once

#include <memory>
#include <optional>
#include <string>

class QFileDialog;
class QWidget;

namespace pelora {

// The voyage file dialogs. Each shows a modal dialog and returns the chosen path (UTF-8), or
// nothing when the operator cancelled.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // The save dialog: asks before an existing file is overwritten.
    virtual std::optional<std::string> saveFileName() = 0;

    // The open dialog: only an existing file can be chosen.
    virtual std::optional<std::string> openFileName() = 0;
};

// The file dialogs with QFileDialog: title "Pelora", filter "Pelora (*.vyg)"; the save dialog
// adds ".vyg" to a name typed without extension. Each dialog opens where the last chosen file
// was.
class QtFileDialogs : public FileDialogs {
public:
    // `parent` (may be null) is the window the dialogs are modal to; it must outlive this.
    explicit QtFileDialogs(QWidget* parent);

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
