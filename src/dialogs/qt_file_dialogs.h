#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QStringList>

#include "platform/file_dialogs.h"

class QFileDialog;
class QFileIconProvider;
class QWidget;

namespace pelora {

// The file dialogs with Qt's own QFileDialog (never the desktop's): title "Pelora", filters
// "Pelora (*.vyg)", "NMEA logs (*.nmea *.log *.txt)" and "All files (*)"; the save dialog asks
// before overwriting and adds ".vyg" to a name typed without extension under the Pelora
// filter. GPX files go by "GPX (*.gpx)" and "All files (*)" (".gpx" added under the first),
// scenario files by "Pelora scenarios (*.toml)" and "All files (*)". The first dialog opens in the home folder, later ones in the folder of the file
// last saved or loaded (fileUsed). The dialogs judge files by their names alone and never
// read them, so that no folder can hold them up (a read of /proc/kmsg never returns).
class QtFileDialogs : public FileDialogs {
public:
    // `parent` (may be null) is the window the dialogs are modal to; it must outlive this.
    explicit QtFileDialogs(QWidget* parent);
    ~QtFileDialogs() override;

    // The window the dialogs are modal to from now on (may be null).
    void setParent(QWidget* parent) { m_parent = parent; }

    std::optional<std::string> saveFileName() override;
    std::optional<std::string> openFileName() override;
    std::optional<std::string> saveFileName(FileKind kind) override;
    std::optional<std::string> openFileName(FileKind kind) override;
    void fileUsed(const std::string& path) override;

    // The dialog as saveFileName() or openFileName() shows it, not yet shown; for tests and
    // for callers that run it themselves. It must not outlive this.
    std::unique_ptr<QFileDialog> makeSaveDialog() const;
    std::unique_ptr<QFileDialog> makeOpenDialog() const;
    std::unique_ptr<QFileDialog> makeSaveDialog(FileKind kind) const;
    std::unique_ptr<QFileDialog> makeOpenDialog(FileKind kind) const;

private:
    std::unique_ptr<QFileDialog> makeDialog(const QStringList& filters) const;
    std::unique_ptr<QFileDialog> makeSave(const QStringList& filters, const QString& suffix) const;
    static std::optional<std::string> run(QFileDialog& dialog);

    QWidget* m_parent;
    std::unique_ptr<QFileIconProvider> m_iconProvider;
    std::string m_usedPath;  // the file last saved or loaded; empty before the first
};

}  // namespace pelora
