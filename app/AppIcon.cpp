#include "AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace sievra {

namespace {

constexpr int FrameCount = 8;

void DrawTile(QPainter& p, int size) {
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
}

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    DrawTile(p, size);
    return pixmap;
}

// Frame k: a quarter arc starting at k eighths of a turn, with a dot at its head, so the
// eight frames read as one turn even at 16 pixels.
QPixmap DrawFrame(int size, int k) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    DrawTile(p, size);
    const qreal s = size / 32.0;
    const qreal inset = 3 * s;
    const QRectF ring(inset, inset, size - 2 * inset, size - 2 * inset);
    const int start = 90 * 16 - k * 45 * 16; // clockwise from the top
    p.setPen(QPen(QColor(0xff, 0xc8, 0x3d), qMax(1.5, 2.5 * s), Qt::SolidLine, Qt::RoundCap));
    p.drawArc(ring, start, -90 * 16);
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

QList<QIcon> TrayAnimationFrames() {
    QList<QIcon> frames;
    for (int k = 0; k < FrameCount; ++k) {
        QIcon icon;
        for (int size : {16, 22, 32, 48}) {
            icon.addPixmap(DrawFrame(size, k));
        }
        frames.append(icon);
    }
    return frames;
}

} // namespace sievra
