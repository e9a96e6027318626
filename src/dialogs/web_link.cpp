#include "dialogs/web_link.h"

#include "dialogs/about_text.h"

#include <QMessageBox>

namespace pelora {

std::unique_ptr<QMessageBox> makeOnlineQuestionBox(QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::NoIcon, QString::fromUtf8(kAppTitle.data(), qsizetype(kAppTitle.size())),
        QString::fromLatin1(kOnlineQuestion), QMessageBox::Ok | QMessageBox::Cancel, parent);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Cancel);
    return box;
}

bool askOnline(QWidget* parent) {
    const auto box = makeOnlineQuestionBox(parent);
    return box->exec() == QMessageBox::Ok;
}

}  // namespace pelora
