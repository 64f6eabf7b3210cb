#include "ImageButton.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace sievra {

namespace {

enum class Look { Up, Down, Hover, Disabled };

QPixmap DrawPicture(QSize size, const QString& caption, QColor colour, Look look,
                    qreal pixelRatio) {
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    if (look == Look::Disabled) {
        const int grey = qGray(colour.rgb());
        colour = QColor(grey, grey, grey).lighter(150);
    } else if (look == Look::Hover) {
        colour = colour.lighter(115);
    } else if (look == Look::Down) {
        colour = colour.darker(120);
    }

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(box, 5, 5);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    if (look == Look::Down) {
        fill.setColorAt(0, colour.darker(110));
        fill.setColorAt(1, colour.lighter(105));
    } else {
        fill.setColorAt(0, colour.lighter(125));
        fill.setColorAt(1, colour);
    }
    p.fillPath(outline, fill);
    p.setPen(QPen(colour.darker(140), 1));
    p.drawPath(outline);

    QFont font = QGuiApplication::font();
    font.setBold(true);
    p.setFont(font);
    const QRectF textBox = box.translated(look == Look::Down ? QPointF(1, 1) : QPointF(0, 0));
    p.setPen(QColor(0, 0, 0, look == Look::Disabled ? 0 : 70));
    const int flags = Qt::AlignCenter | Qt::TextShowMnemonic;
    p.drawText(textBox.translated(0, 1), flags, caption);
    p.setPen(look == Look::Disabled ? QColor(245, 245, 245) : QColor(Qt::white));
    p.drawText(textBox, flags, caption);
    return pixmap;
}

} // namespace

ButtonPictures DrawButtonPictures(QSize size, const QString& caption, const QColor& colour,
                                  qreal pixelRatio) {
    return {DrawPicture(size, caption, colour, Look::Up, pixelRatio),
            DrawPicture(size, caption, colour, Look::Down, pixelRatio),
            DrawPicture(size, caption, colour, Look::Hover, pixelRatio),
            DrawPicture(size, caption, colour, Look::Disabled, pixelRatio)};
}

ImageButton::ImageButton(QWidget* parent)
    : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void ImageButton::SetPictures(const ButtonPictures& pictures) {
    pictures_ = pictures;
    updateGeometry();
    update();
}

// The pictures grow with the caption, so large fonts are never cut.
void ImageButton::SetCaption(const QString& caption, QSize size, const QColor& colour) {
    setText(caption);
    QFont font = QGuiApplication::font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    QString shown = caption;
    shown.remove(QLatin1Char('&'));
    size = size.expandedTo(QSize(metrics.horizontalAdvance(shown) + 16, metrics.height() + 8));
    SetPictures(DrawButtonPictures(size, caption, colour, devicePixelRatio()));
}

const QPixmap& ImageButton::CurrentPicture() const {
    if (!isEnabled()) {
        return pictures_.Disabled;
    }
    if (isDown()) {
        return pictures_.Down;
    }
    return hover_ ? pictures_.Hover : pictures_.Up;
}

QSize ImageButton::sizeHint() const {
    return pictures_.Up.isNull() ? QSize(75, 25)
                                 : pictures_.Up.size() / pictures_.Up.devicePixelRatio();
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, CurrentPicture());
    if (hasFocus()) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
    }
}

void ImageButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && isEnabled()) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void ImageButton::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace sievra
