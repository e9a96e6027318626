#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <functional>

namespace pelora::testing {

// Answers the next modal message box: once it is up, `look` sees it and `button` is clicked.
// Gives up after about five seconds (the box then stays for the caller's own timeout).
inline void answerNextMessageBox(QMessageBox::StandardButton button,
                                 std::function<void(QMessageBox&)> look = {}) {
    auto* poll = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, tries, button, look] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr && ++*tries < 500) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        if (box == nullptr) {
            return;
        }
        if (look) {
            look(*box);
        }
        if (button == QMessageBox::NoButton) {
            box->reject();  // the window's close button
        } else {
            box->button(button)->click();
        }
    });
    poll->start(10);
}

}  // namespace pelora::testing
