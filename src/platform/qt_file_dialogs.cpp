#include "platform/qt_file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace pelora {

namespace {

const char* const kDialogTitle = "Pelora";
const char* const kNameFilter = "Pelora (*.vyg)";
const char* const kDefaultSuffix = "vyg";

}  // namespace

QtFileDialogs::QtFileDialogs(QWidget* parent) : m_parent(parent) {}

std::unique_ptr<QFileDialog> QtFileDialogs::makeSaveDialog() const {
    auto dialog = std::make_unique<QFileDialog>(m_parent, QString::fromLatin1(kDialogTitle));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QString::fromLatin1(kNameFilter));
    dialog->setDefaultSuffix(QString::fromLatin1(kDefaultSuffix));
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!m_lastPath.empty()) {
        dialog->selectFile(QString::fromStdString(m_lastPath));
    }
    return dialog;
}

std::unique_ptr<QFileDialog> QtFileDialogs::makeOpenDialog() const {
    auto dialog = std::make_unique<QFileDialog>(m_parent, QString::fromLatin1(kDialogTitle));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilter(QString::fromLatin1(kNameFilter));
    if (!m_lastPath.empty()) {
        dialog->setDirectory(QFileInfo(QString::fromStdString(m_lastPath)).absolutePath());
    }
    return dialog;
}

std::optional<std::string> QtFileDialogs::saveFileName() {
    const auto dialog = makeSaveDialog();
    return run(*dialog);
}

std::optional<std::string> QtFileDialogs::openFileName() {
    const auto dialog = makeOpenDialog();
    return run(*dialog);
}

std::optional<std::string> QtFileDialogs::run(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) {
        return std::nullopt;
    }
    m_lastPath = chosen.front().toStdString();
    return m_lastPath;
}

}  // namespace pelora
