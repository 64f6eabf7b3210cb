#pragma once

#include <QLineEdit>

namespace sievra {

// A single-line edit that shows every character of its text as "*".
class PasswordEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit PasswordEdit(QWidget* parent = nullptr);
};

} // namespace sievra
