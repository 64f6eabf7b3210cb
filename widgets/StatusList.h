#pragma once

#include <QListWidget>
#include <QStyledItemDelegate>

namespace sievra {

// Paints one status line with its bold and colour tags (see StatusMarkup.h).
class StatusLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The status list: lines in the order written, each kept with its markup. The plain text is
// the item's display text, so copying or reading it aloud gives no tags.
class StatusList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int MarkupRole = Qt::UserRole + 1;

    explicit StatusList(QWidget* parent = nullptr);

    // Appends a line; beyond five lines the top line becomes count - 5, which the list limits
    // to its scroll range, so the newest line stays in view.
    void AppendLine(const QString& markup);
    QStringList Lines() const;
    int TopIndex() const;
    void SetTopIndex(int index);
};

} // namespace sievra
