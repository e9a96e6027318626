#pragma once

#include <QCheckBox>

namespace pelora {

// A check box whose state is a number: 0 clear, 1 ticked, 2 greyed. The operator's click
// toggles between clear and ticked; only code sets the greyed state. The number is also
// readable and writable as the property "Value".
class ValueCheckBox : public QCheckBox {
    Q_OBJECT
    Q_PROPERTY(int Value READ value WRITE setValue NOTIFY valueChanged)

public:
    static constexpr int kClear = 0;
    static constexpr int kTicked = 1;
    static constexpr int kGreyed = 2;

    explicit ValueCheckBox(QWidget* parent = nullptr);

    // The state as 0, 1 or 2.
    int value() const;

    // Sets the state; a number other than 0, 1 or 2 changes nothing.
    void setValue(int value);

signals:
    // Emitted with the new number whenever the state changes, by code or by the operator.
    void valueChanged(int value);

protected:
    void nextCheckState() override;
};

}  // namespace pelora
