#include "ContactListDelegate.h"

#include <QApplication>
#include <QListView>
#include <QPainter>
#include <QTextOption>

namespace sievra {

namespace {
constexpr int TabDialogUnits = 125;
constexpr int LineHeight = 16;
constexpr int TextMargin = 4;
} // namespace

qreal ContactListDelegate::TabStop(const QFontMetrics& metrics) {
    // A dialog unit is a quarter of the font's average character width.
    return TabDialogUnits * metrics.averageCharWidth() / 4.0;
}

void ContactListDelegate::FitNames(const QStringList& lines, const QFontMetrics& metrics) {
    qreal widest = 0;
    qreal widestAddress = 0;
    for (const QString& line : lines) {
        widest = std::max(widest, static_cast<qreal>(metrics.horizontalAdvance(
                                      line.section(QLatin1Char('\t'), 0, 0))));
        widestAddress = std::max(widestAddress, static_cast<qreal>(metrics.horizontalAdvance(
                                                    line.section(QLatin1Char('\t'), 1, 1))));
    }
    // A little air between the longest name and its address, and after the longest address.
    nameColumn_ = widest > 0 ? widest + 2 * metrics.averageCharWidth() : 0;
    addressWidth_ = widestAddress > 0 ? widestAddress + 2 * metrics.averageCharWidth() : 0;
}

void ContactListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    const QString text = background.text;
    background.text.clear();
    const QStyle* style = background.widget ? background.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, background.widget);

    QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
    layout.setWrapMode(QTextOption::NoWrap);
    layout.setTabStopDistance(std::max(TabStop(option.fontMetrics), nameColumn_));
    const QPalette::ColorRole role =
        option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setPen(option.palette.color(role));
    painter->setFont(option.font);
    const QRectF area = QRectF(option.rect).adjusted(TextMargin, 0, -TextMargin, 0);
    // A third column (the contact's source) starts after the widest address and is elided
    // to the room that is left.
    const qsizetype second = text.indexOf(QLatin1Char('\t'), text.indexOf(QLatin1Char('\t')) + 1);
    if (second < 0 || addressWidth_ <= 0) {
        painter->drawText(area, text, layout);
    } else {
        painter->drawText(area, text.left(second), layout);
        const qreal column = layout.tabStopDistance() + addressWidth_;
        const QRectF rest = area.adjusted(column, 0, 0, 0);
        painter->drawText(
            rest,
            option.fontMetrics.elidedText(text.mid(second + 1), Qt::ElideRight, int(rest.width())),
            layout);
    }
    painter->restore();
}

QSize ContactListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const QSize natural = QStyledItemDelegate::sizeHint(option, index);
    return {natural.width(), std::max(LineHeight, option.fontMetrics.height() + 2)};
}

} // namespace sievra
