#include "StatusList.h"

#include "ReadableColour.h"
#include "markup/StatusMarkup.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>

namespace sievra {

namespace {

// Red for errors and green for hosts and results, as light or dark as the list's base needs.
QColor RunColor(StatusColor color, const QColor& normal, const QColor& base) {
    switch (color) {
    case StatusColor::Red:
        return ReadableOn(QColor(255, 0, 0), base);
    case StatusColor::Green:
        return ReadableOn(QColor(0, 128, 0), base);
    case StatusColor::Default:
        break;
    }
    return normal;
}

QFont RunFont(const QFont& base, bool bold) {
    QFont font = base;
    font.setBold(bold);
    return font;
}

} // namespace

void StatusLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString markup = index.data(StatusList::MarkupRole).toString();
    // The style draws the background and selection; the text is ours.
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const bool selected = (opt.state & QStyle::State_Selected) != 0;
    const QPalette::ColorGroup group =
        (opt.state & QStyle::State_Enabled) != 0 ? QPalette::Normal : QPalette::Disabled;
    const QColor normal =
        opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);

    painter->save();
    painter->setClipRect(area);
    int x = area.left();
    for (const StatusRun& run : ParseStatusMarkup(markup)) {
        const QFont font = RunFont(opt.font, run.Bold);
        const QFontMetrics metrics(font);
        painter->setFont(font);
        painter->setPen(
            selected ? normal
                     : RunColor(run.Color, normal, opt.palette.color(group, QPalette::Base)));
        const QRect box(x, area.top(), metrics.horizontalAdvance(run.Text), area.height());
        painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, run.Text);
        x = box.right() + 1;
        if (x > area.right()) {
            break;
        }
    }
    painter->restore();
}

QSize StatusLineDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    const QString markup = index.data(StatusList::MarkupRole).toString();
    int width = 0;
    for (const StatusRun& run : ParseStatusMarkup(markup)) {
        width += QFontMetrics(RunFont(option.font, run.Bold)).horizontalAdvance(run.Text);
    }
    const int height = QFontMetrics(RunFont(option.font, true)).height() + 2;
    return {width + 8, height};
}

StatusList::StatusList(QWidget* parent)
    : QListWidget(parent) {
    setItemDelegate(new StatusLineDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void StatusList::AppendLine(const QString& markup) {
    auto* item = new QListWidgetItem(StripStatusMarkup(markup));
    item->setData(MarkupRole, markup);
    addItem(item);
    if (count() > 5) {
        SetTopIndex(count() - 5);
    }
}

QStringList StatusList::Lines() const {
    QStringList lines;
    lines.reserve(count());
    for (int i = 0; i < count(); ++i) {
        lines.append(item(i)->data(MarkupRole).toString());
    }
    return lines;
}

int StatusList::TopIndex() const {
    return verticalScrollBar()->value();
}

void StatusList::SetTopIndex(int index) {
    // With per-item scrolling the bar's value is the top row and its range ends where the last
    // line is at the bottom; scrolling to an item first lays out lines added meanwhile.
    if (index >= 0 && index < count()) {
        scrollToItem(item(index), QAbstractItemView::PositionAtTop);
    }
}

} // namespace sievra
