#include "SpinEdit.h"

namespace sievra {

SpinEdit::SpinEdit(int minimum, int maximum, int initial, QWidget* parent)
    : QSpinBox(parent) {
    setRange(minimum, maximum);
    setValue(initial);
    setAccelerated(true);
    connect(this, &QSpinBox::valueChanged, this, [this] {
        if (!filling_) {
            modified_ = true;
        }
    });
}

void SpinEdit::SetValueQuietly(int value) {
    filling_ = true;
    setValue(value);
    filling_ = false;
    modified_ = false;
}

} // namespace sievra
