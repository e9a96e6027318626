#include "platform/browser.h"

#include <QDesktopServices>
#include <QUrl>

namespace pelora {

bool Activate_Browser(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address));
}

}  // namespace pelora
