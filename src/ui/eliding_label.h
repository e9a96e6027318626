#pragma once

#include <QLabel>

namespace pelora {

// A one-line label whose text, when it does not fit, is drawn shortened in the middle with
// "…", with the whole text as its tool tip. text() is always the whole text.
class ElidingLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidingLabel(QWidget* parent = nullptr);

    // Sets the whole text; the tool tip holds it while it does not fit.
    void setWholeText(const QString& text);

    // The text as it is drawn: the whole text, or its middle replaced by "…" to fit the width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateToolTip();
};

}  // namespace pelora
