#include "dialogs/qt_window_dialogs.h"

#include <QMessageBox>

#include "dialogs/about_box.h"
#include "dialogs/about_text.h"
#include "dialogs/web_link.h"

namespace pelora {

void QtWindowDialogs::showError(const std::string& message) {
    QMessageBox::warning(m_owner.data(), QString::fromUtf8(kAppTitle.data(), qsizetype(kAppTitle.size())),
                         QString::fromStdString(message));
}

void QtWindowDialogs::showNotice(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kAppTitle.data(), qsizetype(kAppTitle.size())),
                    QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    QMessageBox::Ok, m_owner.data());
    box.exec();
}

void QtWindowDialogs::showAbout(const std::string& versionText, int year) {
    showAboutBox(m_owner.data(), QString::fromStdString(versionText), year);
}

bool QtWindowDialogs::confirmOnline() {
    return askOnline(m_owner.data());
}

}  // namespace pelora
