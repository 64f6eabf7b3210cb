#include "PasswordEdit.h"

#include <QApplication>
#include <QProxyStyle>

namespace sievra {

namespace {

// The platform style picks the mask character (often a bullet); ours is the star.
class StarMaskStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter) {
            return '*';
        }
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

} // namespace

PasswordEdit::PasswordEdit(QWidget* parent)
    : QLineEdit(parent) {
    // A proxy over a fresh copy of the application's style: the proxy owns its base.
    auto* style = new StarMaskStyle(QApplication::style()->name());
    style->setParent(this);
    setStyle(style);
    setEchoMode(QLineEdit::Password);
}

} // namespace sievra
