#include "ui/value_check_box.h"

namespace pelora {

namespace {

int valueOfState(Qt::CheckState state) {
    switch (state) {
    case Qt::Checked:
        return ValueCheckBox::kTicked;
    case Qt::PartiallyChecked:
        return ValueCheckBox::kGreyed;
    case Qt::Unchecked:
        break;
    }
    return ValueCheckBox::kClear;
}

}  // namespace

ValueCheckBox::ValueCheckBox(QWidget* parent) : QCheckBox(parent) {
    connect(this, &QCheckBox::stateChanged, this,
            [this](int state) { emit valueChanged(valueOfState(static_cast<Qt::CheckState>(state))); });
}

int ValueCheckBox::value() const {
    return valueOfState(checkState());
}

void ValueCheckBox::setValue(int value) {
    switch (value) {
    case kClear:
        setCheckState(Qt::Unchecked);
        break;
    case kTicked:
        setCheckState(Qt::Checked);
        break;
    case kGreyed:
        setCheckState(Qt::PartiallyChecked);
        break;
    default:
        break;
    }
}

void ValueCheckBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

}  // namespace pelora
