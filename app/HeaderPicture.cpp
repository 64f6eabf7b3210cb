#include "HeaderPicture.h"

#include <QImageReader>
#include <QPainter>

namespace sievra {

QImage LoadJpegPicture(const QString& resourcePath) {
    QImageReader reader(resourcePath, "jpeg");
    QImage image = reader.read();
    if (image.isNull()) {
        qWarning("Cannot show the picture %s: %s", qPrintable(resourcePath),
                 qPrintable(reader.errorString()));
    }
    return image;
}

HeaderPicture::HeaderPicture(QWidget* parent)
    : QWidget(parent)
    , picture_(LoadJpegPicture(QStringLiteral(":/sievra/header.jpg"))) {
    setObjectName(QStringLiteral("imgHeader"));
    setFixedHeight(picture_.isNull() ? 76 : picture_.height());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize HeaderPicture::sizeHint() const {
    return picture_.isNull() ? QSize(800, 76) : picture_.size();
}

void HeaderPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (picture_.isNull()) {
        p.fillRect(rect(), QColor(0x1f, 0x4f, 0x76));
        return;
    }
    p.drawImage(0, 0, picture_);
    if (width() > picture_.width()) {
        const QImage edge = picture_.copy(picture_.width() - 1, 0, 1, picture_.height());
        p.drawImage(QRect(picture_.width(), 0, width() - picture_.width(), height()), edge);
    }
}

} // namespace sievra
