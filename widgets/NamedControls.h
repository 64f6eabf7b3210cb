#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QWidget>

namespace sievra {

// A control with the object name tests and accessibility find it by, and its tool tip.
template <typename W> W* Named(W* widget, const QString& name, const QString& hint = QString()) {
    widget->setObjectName(name);
    if (!hint.isEmpty()) {
        widget->setToolTip(hint);
    }
    return widget;
}

// A label that names `buddy`, so its mnemonic and screen readers lead to it.
inline QLabel* Caption(const QString& name, const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = Named(new QLabel(text, parent), name);
    label->setBuddy(buddy);
    return label;
}

inline QLineEdit* Edit(const QString& name, const QString& hint, QWidget* parent,
                       const QString& placeholder = QString()) {
    auto* edit = Named(new QLineEdit(parent), name, hint);
    edit->setPlaceholderText(placeholder);
    return edit;
}

} // namespace sievra
