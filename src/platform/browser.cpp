#include "platform/browser.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace pelora {

bool DesktopBrowser::open(const std::string& address) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

}  // namespace pelora
