#include "ui/web_link.h"

#include "platform/browser.h"
#include "sim/about_text.h"

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

bool visitWebsite(QWidget* parent, const WebLinkServices& services) {
    const bool confirmed = services.confirm ? services.confirm(parent) : askOnline(parent);
    if (!confirmed) {
        return false;
    }
    const QString address = QString::fromUtf8(kSiteAddress.data(), qsizetype(kSiteAddress.size()));
    if (services.openBrowser) {
        services.openBrowser(address);
    } else {
        Activate_Browser(address);
    }
    return true;
}

}  // namespace pelora
