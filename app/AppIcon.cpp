#include "AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace sievra {

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 32.0;
    QLinearGradient tile(0, 0, size, size);
    tile.setColorAt(0, QColor(0x16, 0x36, 0x5f));
    tile.setColorAt(1, QColor(0x23, 0x7f, 0x8f));
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0), 6 * s, 6 * s);
    p.fillPath(outline, tile);

    p.setPen(QPen(Qt::white, qMax(1.0, 2 * s)));
    p.setBrush(Qt::NoBrush);
    const QRectF rim(5 * s, 9 * s, 22 * s, 6 * s);
    p.drawEllipse(rim);
    p.drawArc(QRectF(5 * s, -1 * s, 22 * s, 26 * s), 180 * 16, 180 * 16);
    p.setPen(QPen(QColor(255, 255, 255, 150), qMax(1.0, 1 * s)));
    for (int i = -2; i <= 2; ++i) {
        p.drawLine(QPointF(16 * s + i * 4 * s, 15 * s), QPointF(16 * s + i * 3 * s, 23 * s));
    }
    return pixmap;
}

} // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        icon.addPixmap(DrawIcon(size));
    }
    return icon;
}

} // namespace sievra
