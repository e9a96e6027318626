#pragma once

#include <QLabel>

namespace pelora {

// A label used as a button: a left click inside it (press and release over the label) emits
// clicked(). It takes no keyboard focus.
class ClickLabel : public QLabel {
    Q_OBJECT

public:
    explicit ClickLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

}  // namespace pelora
