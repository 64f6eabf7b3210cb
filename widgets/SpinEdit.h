#pragma once

#include <QSpinBox>

namespace sievra {

// A spin box with a modified mark: set by every change the user makes (typing, arrows,
// wheel), cleared when the program fills it or the owner has saved the value.
class SpinEdit : public QSpinBox {
    Q_OBJECT
public:
    SpinEdit(int minimum, int maximum, int initial, QWidget* parent = nullptr);

    bool IsModified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }
    // Sets the value (kept within the limits) as the program's own; clears the mark.
    void SetValueQuietly(int value);

private:
    bool filling_ = false;
    bool modified_ = false;
};

} // namespace sievra
