#include "LineMemo.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>

namespace sievra {

LineMemo::LineMemo(QWidget* parent)
    : QTextEdit(parent) {
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(true);
}

void LineMemo::SetLines(const QStringList& lines) {
    setPlainText(lines.join(QLatin1Char('\n')));
    document()->setModified(false);
}

QStringList LineMemo::DisplayLines() const {
    QTextDocument* doc = document();
    if (doc->isEmpty()) {
        return {};
    }
    // Asking for the size finishes any layout still pending, so every block has its lines.
    doc->documentLayout()->documentSize();
    QStringList lines;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        const QTextLayout* layout = block.layout();
        if (layout == nullptr || layout->lineCount() == 0) {
            lines.append(text);
            continue;
        }
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines.append(text.mid(line.textStart(), line.textLength()));
        }
    }
    return lines;
}

bool LineMemo::IsModified() const {
    return document()->isModified();
}

void LineMemo::SetModified(bool modified) {
    document()->setModified(modified);
}

} // namespace sievra
