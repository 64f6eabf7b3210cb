#include "PathLabel.h"

#include <QDir>
#include <QResizeEvent>

namespace sievra {

PathLabel::PathLabel(QWidget* parent)
    : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void PathLabel::SetPath(const QString& path) {
    path_ = path;
    setToolTip(QDir::toNativeSeparators(path));
    UpdateShownText();
}

QSize PathLabel::minimumSizeHint() const {
    return {fontMetrics().averageCharWidth() * 8, QLabel::minimumSizeHint().height()};
}

void PathLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    UpdateShownText();
}

void PathLabel::UpdateShownText() {
    // Keep both ends: the folder it starts in and the file name matter most.
    setText(fontMetrics().elidedText(QDir::toNativeSeparators(path_), Qt::ElideMiddle,
                                     contentsRect().width()));
}

} // namespace sievra
