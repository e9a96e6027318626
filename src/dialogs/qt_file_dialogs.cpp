#include "dialogs/qt_file_dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>
#include <QStringList>

namespace pelora {

namespace {

const char* const kDialogTitle = "Pelora";
const char* const kPeloraFilter = "Pelora (*.vyg)";
const char* const kNmeaFilter = "NMEA logs (*.nmea *.log *.txt)";
const char* const kAllFilesFilter = "All files (*)";
const char* const kPeloraSuffix = "vyg";

// Icons and type names from a file's name alone. Qt's own provider reads the start of
// every file whose name says nothing, on the window's thread, and a read of /proc/kmsg
// waits for the next kernel message: the dialog would hang in /proc.
class NameOnlyIconProvider final : public QFileIconProvider {
public:
    using QFileIconProvider::icon;

    QIcon icon(const QFileInfo& info) const override {
        if (info.isDir()) {
            return icon(QAbstractFileIconProvider::Folder);
        }
        const QIcon fallback = icon(QAbstractFileIconProvider::File);
        const QString name = mimeType(info).iconName();
        return name.isEmpty() ? fallback : QIcon::fromTheme(name, fallback);
    }

    QString type(const QFileInfo& info) const override {
        if (info.isDir()) {
            return QCoreApplication::translate("QAbstractFileIconProvider", "Folder");
        }
        const QMimeType mime = mimeType(info);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    QMimeType mimeType(const QFileInfo& info) const {
        return m_mimeTypes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    }

    QMimeDatabase m_mimeTypes;
};

}  // namespace

QtFileDialogs::QtFileDialogs(QWidget* parent)
    : m_parent(parent), m_iconProvider(std::make_unique<NameOnlyIconProvider>()) {}

QtFileDialogs::~QtFileDialogs() = default;

std::unique_ptr<QFileDialog> QtFileDialogs::makeDialog() const {
    auto dialog = std::make_unique<QFileDialog>(m_parent, QString::fromLatin1(kDialogTitle));
    // The desktop's own dialog would look at the files in its own way.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setIconProvider(m_iconProvider.get());
    dialog->setNameFilters({QString::fromLatin1(kPeloraFilter), QString::fromLatin1(kNmeaFilter),
                            QString::fromLatin1(kAllFilesFilter)});
    const QString usedFolder =
        m_usedPath.empty() ? QString() : QFileInfo(QString::fromStdString(m_usedPath)).absolutePath();
    dialog->setDirectory(!usedFolder.isEmpty() && QFileInfo(usedFolder).isDir() ? usedFolder : QDir::homePath());
    return dialog;
}

std::unique_ptr<QFileDialog> QtFileDialogs::makeSaveDialog() const {
    auto dialog = makeDialog();
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setDefaultSuffix(QString::fromLatin1(kPeloraSuffix));
    // A name typed without extension is a Pelora voyage only under the Pelora filter.
    QFileDialog* shown = dialog.get();
    QObject::connect(shown, &QFileDialog::filterSelected, shown, [shown](const QString& filter) {
        shown->setDefaultSuffix(filter == QLatin1String(kPeloraFilter) ? QString::fromLatin1(kPeloraSuffix)
                                                                       : QString());
    });
    if (!m_usedPath.empty() && QFileInfo(QString::fromStdString(m_usedPath)).absoluteDir() == dialog->directory()) {
        dialog->selectFile(QFileInfo(QString::fromStdString(m_usedPath)).fileName());
    }
    return dialog;
}

std::unique_ptr<QFileDialog> QtFileDialogs::makeOpenDialog() const {
    auto dialog = makeDialog();
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
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

void QtFileDialogs::fileUsed(const std::string& path) { m_usedPath = path; }

std::optional<std::string> QtFileDialogs::run(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) {
        return std::nullopt;
    }
    return chosen.front().toStdString();
}

}  // namespace pelora
