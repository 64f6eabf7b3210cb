#include "ReadOnlyMemo.h"

#include <QTextBlock>

namespace sievra {

ReadOnlyMemo::ReadOnlyMemo(const QString& text, QWidget* parent)
    : QPlainTextEdit(text, parent) {
    setReadOnly(true);
    setFrameShape(QFrame::NoFrame);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("background: transparent;"));
}

QSize ReadOnlyMemo::sizeHint() const {
    const int lines = qMax(1, document()->blockCount());
    const int height = fontMetrics().lineSpacing() * lines + 2 * frameWidth() +
                       static_cast<int>(2 * document()->documentMargin());
    return {QPlainTextEdit::sizeHint().width(), height};
}

} // namespace sievra
