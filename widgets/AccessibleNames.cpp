#include "AccessibleNames.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

namespace sievra {

namespace {

// "&User ID:" is read as "User ID".
QString Spoken(QString text) {
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    while (text.endsWith(QLatin1Char(':')) || text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    return text.trimmed();
}

QString GroupTitle(const QWidget* widget) {
    for (const QWidget* w = widget->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (const auto* group = qobject_cast<const QGroupBox*>(w)) {
            return Spoken(group->title());
        }
    }
    return QString();
}

QString NameOf(const QWidget* widget) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        if (!button->text().isEmpty()) {
            return Spoken(button->text());
        }
    }
    if (!widget->toolTip().isEmpty()) {
        return Spoken(widget->toolTip());
    }
    return GroupTitle(widget);
}

} // namespace

void NameControlsForAccessibility(QWidget* root) {
    for (QLabel* label : root->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (buddy != nullptr && buddy->accessibleName().isEmpty() && !label->text().isEmpty()) {
            buddy->setAccessibleName(Spoken(label->text()));
        }
    }
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (widget->focusPolicy() == Qt::NoFocus || !widget->accessibleName().isEmpty()) {
            continue;
        }
        const QString name = NameOf(widget);
        if (!name.isEmpty()) {
            widget->setAccessibleName(name);
        }
    }
}

} // namespace sievra
