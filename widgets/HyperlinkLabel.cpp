#include "HyperlinkLabel.h"

#include <QDesktopServices>
#include <QMouseEvent>

namespace sievra {

HyperlinkLabel::HyperlinkLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Link));
    setPalette(pal);
}

void HyperlinkLabel::SetUrl(const QUrl& url) {
    url_ = url;
    setToolTip(url.isLocalFile() ? url.toLocalFile() : url.toString());
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        return;
    }
    emit clicked();
    if (url_.isValid()) {
        QDesktopServices::openUrl(url_);
    }
}

void HyperlinkLabel::enterEvent(QEnterEvent* event) {
    SetUnderlined(true);
    QLabel::enterEvent(event);
}

void HyperlinkLabel::leaveEvent(QEvent* event) {
    SetUnderlined(false);
    QLabel::leaveEvent(event);
}

void HyperlinkLabel::SetUnderlined(bool on) {
    QFont f = font();
    f.setUnderline(on);
    setFont(f);
}

} // namespace sievra
