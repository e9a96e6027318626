#include "ui/eliding_label.h"

#include <QPainter>
#include <QStyle>

namespace pelora {

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent) {}

QString ElidingLabel::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

void ElidingLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

void ElidingLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    updateToolTip();
}

void ElidingLabel::setWholeText(const QString& text) {
    setText(text);
    updateToolTip();
}

void ElidingLabel::updateToolTip() {
    const QString whole = text();
    setToolTip(shownText() == whole ? QString() : whole);
}

}  // namespace pelora
