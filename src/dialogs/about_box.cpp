#include "dialogs/about_box.h"

#include "dialogs/about_text.h"

#include <QMessageBox>

namespace pelora {

std::unique_ptr<QMessageBox> makeAboutBox(QWidget* parent, const QString& versionText, int year) {
    const std::string text = About_Text(versionText.toStdString(), year);
    return std::make_unique<QMessageBox>(QMessageBox::Information, QStringLiteral("About"),
                                         QString::fromStdString(text), QMessageBox::Ok, parent);
}

void showAboutBox(QWidget* parent, const QString& versionText, int year) {
    makeAboutBox(parent, versionText, year)->exec();
}

}  // namespace pelora
