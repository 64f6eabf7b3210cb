#pragma once

#include <QPlainTextEdit>

namespace sievra {

// Text to read, not to edit: no frame, the window's background, selectable for copying, and
// sized to show all of its lines without a scroll bar where room allows.
class ReadOnlyMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ReadOnlyMemo(const QString& text = QString(), QWidget* parent = nullptr);

    QSize sizeHint() const override;
};

} // namespace sievra
