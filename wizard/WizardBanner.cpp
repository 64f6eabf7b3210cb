#include "WizardBanner.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace sievra {

namespace {

void DrawLetter(QPainter& p, QPointF centre, qreal width, qreal angle, const QColor& colour) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const qreal h = width * 0.64;
    const QRectF body(-width / 2, -h / 2, width, h);
    p.setPen(QPen(colour.darker(130), 1.2));
    p.setBrush(colour);
    p.drawRoundedRect(body, 2, 2);
    QPainterPath flap;
    flap.moveTo(body.topLeft());
    flap.lineTo(0, h * 0.08);
    flap.lineTo(body.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
    p.restore();
}

void DrawSieve(QPainter& p, QRectF bowl) {
    QPainterPath rim;
    rim.moveTo(bowl.left(), bowl.top());
    rim.arcTo(bowl.adjusted(0, -bowl.height(), 0, 0), 180, 180);
    rim.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 38));
    p.drawPath(rim);
    // The mesh: lines clipped to the bowl.
    p.save();
    p.setClipPath(rim);
    p.setPen(QPen(QColor(255, 255, 255, 110), 1));
    for (qreal x = bowl.left(); x < bowl.right(); x += 9) {
        p.drawLine(QPointF(x, bowl.top()), QPointF(x + 30, bowl.bottom()));
        p.drawLine(QPointF(x + 30, bowl.top()), QPointF(x, bowl.bottom()));
    }
    p.restore();
    p.setPen(QPen(QColor(255, 255, 255, 220), 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(rim);
    p.drawLine(QPointF(bowl.left() - 8, bowl.top()), QPointF(bowl.right() + 8, bowl.top()));
}

} // namespace

WizardBanner::WizardBanner(QWidget* parent)
    : QWidget(parent) {
    setFixedWidth(150);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void WizardBanner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    QLinearGradient sky(r.topLeft(), r.bottomRight());
    sky.setColorAt(0, QColor(0x1b, 0x4f, 0x8a));
    sky.setColorAt(1, QColor(0x0f, 0x7a, 0x86));
    p.fillRect(r, sky);

    const qreal cx = r.center().x();
    const QColor paper(250, 247, 238);
    DrawLetter(p, {cx - 32, r.top() + 46}, 34, -14, paper);
    DrawLetter(p, {cx + 26, r.top() + 70}, 30, 11, QColor(0xf3, 0xc6, 0x5f));
    DrawLetter(p, {cx - 6, r.top() + 104}, 32, -4, paper);
    const QRectF bowl(cx - 50, r.top() + 140, 100, 56);
    DrawSieve(p, bowl);
    // The wanted letter below the sieve; the unwanted one stays caught in it.
    DrawLetter(p, {cx + 2, bowl.bottom() + 44}, 36, 0, paper);
    DrawLetter(p, {cx + 18, bowl.top() + 12}, 24, 24, QColor(0xe0, 0x6c, 0x5a));

    QFont title = font();
    title.setPointSizeF(title.pointSizeF() * 1.9);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(r.left(), r.bottom() - 64, r.width(), 34), Qt::AlignCenter,
               QStringLiteral("Sievra"));
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    p.setFont(small);
    p.setPen(QColor(255, 255, 255, 190));
    p.drawText(QRectF(r.left(), r.bottom() - 34, r.width(), 20), Qt::AlignCenter,
               QStringLiteral("mail screening"));
}

} // namespace sievra
