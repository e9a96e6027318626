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
const char* const kGpxFilter = "GPX (*.gpx)";
const char* const kGpxSuffix = "gpx";
const char* const kScenarioFilter = "Pelora scenarios (*.toml)";
const char* const kScenarioSuffix = "toml";

QStringList voyageFilters() {
    return {QString::fromLatin1(kPeloraFilter), QString::fromLatin1(kNmeaFilter), QString::fromLatin1(kAllFilesFilter)};
}

QStringList kindFilters(FileKind kind) {
    return {QString::fromLatin1(kind == FileKind::Gpx ? kGpxFilter : kScenarioFilter),
            QString::fromLatin1(kAllFilesFilter)};
}

QString kindSuffix(FileKind kind) {
    return QString::fromLatin1(kind == FileKind::Gpx ? kGpxSuffix : kScenarioSuffix);
}

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

std::unique_ptr<QFileDialog> QtFileDialogs::makeDialog(const QStringList& filters) const {
    auto dialog = std::make_unique<QFileDialog>(m_parent, QString::fromLatin1(kDialogTitle));
    // The desktop's own dialog would look at the files in its own way.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setIconProvider(m_iconProvider.get());
    dialog->setNameFilters(filters);
    const QString usedFolder =
        m_usedPath.empty() ? QString() : QFileInfo(QString::fromStdString(m_usedPath)).absolutePath();
    dialog->setDirectory(!usedFolder.isEmpty() && QFileInfo(usedFolder).isDir() ? usedFolder : QDir::homePath());
    return dialog;
}

std::unique_ptr<QFileDialog> QtFileDialogs::makeSave(const QStringList& filters, const QString& suffix) const {
    auto dialog = makeDialog(filters);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setDefaultSuffix(suffix);
    // A name typed without extension takes the first filter's only under that filter.
    QFileDialog* shown = dialog.get();
    const QString first = filters.front();
    QObject::connect(shown, &QFileDialog::filterSelected, shown, [shown, first, suffix](const QString& filter) {
        shown->setDefaultSuffix(filter == first ? suffix : QString());
    });
    return dialog;
}

std::unique_ptr<QFileDialog> QtFileDialogs::makeSaveDialog() const {
    auto dialog = makeSave(voyageFilters(), QString::fromLatin1(kPeloraSuffix));
    if (!m_usedPath.empty() && QFileInfo(QString::fromStdString(m_usedPath)).absoluteDir() == dialog->directory()) {
        dialog->selectFile(QFileInfo(QString::fromStdString(m_usedPath)).fileName());
    }
    return dialog;
}

std::unique_ptr<QFileDialog> QtFileDialogs::makeSaveDialog(FileKind kind) const {
    return makeSave(kindFilters(kind), kindSuffix(kind));
}

std::unique_ptr<QFileDialog> QtFileDialogs::makeOpenDialog() const {
    auto dialog = makeDialog(voyageFilters());
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return dialog;
}

std::unique_ptr<QFileDialog> QtFileDialogs::makeOpenDialog(FileKind kind) const {
    auto dialog = makeDialog(kindFilters(kind));
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

std::optional<std::string> QtFileDialogs::saveFileName(FileKind kind) {
    const auto dialog = makeSaveDialog(kind);
    return run(*dialog);
}

std::optional<std::string> QtFileDialogs::openFileName(FileKind kind) {
    const auto dialog = makeOpenDialog(kind);
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
