#include "TfrmNotify.h"

#include "MainPanels.h"
#include "widgets/ImageButton.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>

namespace sievra {

namespace {

const QSize ClientSize(352, 147);
constexpr qreal Corner = 14;
int closeDelayForTests = 0;

QPainterPath Outline() {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(ClientSize)), Corner, Corner);
    return path;
}

// An envelope with a small badge, the picture on the left of the pop-up.
void DrawEnvelope(QPainter& p, const QRectF& box) {
    p.setPen(QPen(QColor(0x16, 0x36, 0x5f), 2));
    p.setBrush(QColor(0xf4, 0xf8, 0xfb));
    p.drawRoundedRect(box, 4, 4);
    QPainterPath flap;
    flap.moveTo(box.topLeft() + QPointF(2, 2));
    flap.lineTo(box.center().x(), box.center().y() + 4);
    flap.lineTo(box.topRight() + QPointF(-2, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
    const QRectF badge(box.right() - 12, box.top() - 10, 22, 22);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(0xe6, 0x7e, 0x22));
    p.drawEllipse(badge);
}

} // namespace

TfrmNotify::TfrmNotify(int waitingCount, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmNotify"));
    setWindowTitle(QStringLiteral("Message"));
    setFixedSize(ClientSize);
    setMask(QRegion(Outline().toFillPolygon().toPolygon()));

    lblMessage = new QLabel(MessageText(waitingCount), this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    QFont bold = lblMessage->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    lblMessage->setFont(bold);
    QPalette palette = lblMessage->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    lblMessage->setPalette(palette);
    lblMessage->setWordWrap(true);
    lblMessage->setGeometry(104, 40, 236, 44);

    butClose = MakeImageButton(QStringLiteral("butClose"), QStringLiteral("\u00d7"),
                               QStringLiteral("Close"), ButtonColour::Quiet, QSize(24, 20), this);
    butClose->move(ClientSize.width() - 24 - 10, 9);
    butGetmail = MakeImageButton(QStringLiteral("butGetmail"), QStringLiteral("Get Mail"),
                                 QStringLiteral("Start the mail client"), ButtonColour::Go,
                                 QSize(140, 34), this);
    butGetmail->move(ClientSize.width() - 140 - 18, ClientSize.height() - 34 - 16);
    connect(butGetmail, &QAbstractButton::clicked, this, &QDialog::accept);
    connect(butClose, &QAbstractButton::clicked, this, &QDialog::reject);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(closeDelayForTests > 0 ? closeDelayForTests : CloseAfterMs);
    connect(Timer1, &QTimer::timeout, this, &QDialog::reject);
    Timer1->start();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), ClientSize);
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

QString TfrmNotify::MessageText(int waitingCount) {
    return QStringLiteral("You have %1 %2 waiting!")
        .arg(waitingCount)
        .arg(waitingCount == 1 ? QStringLiteral("message") : QStringLiteral("messages"));
}

void TfrmNotify::SetCloseDelayForTests(int milliseconds) {
    closeDelayForTests = milliseconds;
}

void TfrmNotify::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = Outline();
    QLinearGradient fill(0, 0, 0, ClientSize.height());
    fill.setColorAt(0, QColor(0x23, 0x5d, 0x8a));
    fill.setColorAt(1, QColor(0x14, 0x3a, 0x5c));
    p.fillPath(outline, fill);
    // A lighter band across the top, as on the main window's banner.
    QPainterPath band;
    band.addRect(QRectF(0, 0, ClientSize.width(), 26));
    p.fillPath(outline.intersected(band), QColor(255, 255, 255, 28));
    p.setPen(QColor(0xcf, 0xe4, 0xf0));
    QFont caption = font();
    caption.setBold(true);
    p.setFont(caption);
    p.drawText(QRectF(14, 0, 200, 26), Qt::AlignVCenter | Qt::AlignLeft, windowTitle());
    p.setPen(QPen(QColor(0x0e, 0x2a, 0x44), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
    DrawEnvelope(p, QRectF(26, 46, 60, 42));
}

} // namespace sievra
