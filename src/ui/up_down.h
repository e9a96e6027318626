#pragma once

#include <QWidget>

class QToolButton;

namespace pelora {

// An up-down spinner: two small arrow buttons, one above the other. A click on an arrow, or
// the Up and Down keys while it has the focus, emits stepUp() or stepDown(). It holds no value.
class UpDown : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent = nullptr);

signals:
    void stepUp();
    void stepDown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
};

}  // namespace pelora
