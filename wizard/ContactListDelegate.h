#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

namespace sievra {

// Draws a contact line "name<TAB>address" with the address in a column: tab stops every
// 125 dialog units (31.25 average characters of the list's font), widened when a name of the
// list is wider, so that the addresses always line up.
class ContactListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static qreal TabStop(const QFontMetrics& metrics);
    // Makes room for the widest name of these lines.
    void FitNames(const QStringList& lines, const QFontMetrics& metrics);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    qreal nameColumn_ = 0;
    qreal addressWidth_ = 0;
};

} // namespace sievra
