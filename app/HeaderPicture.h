#pragma once

#include <QImage>
#include <QWidget>

namespace sievra {

// Loads one of the program's JPEG pictures through the JPEG image plugin; a null image (and
// a warning on the console) when the plugin is missing.
QImage LoadJpegPicture(const QString& resourcePath);

// The banner across the top of the main window. A wider window continues the picture's
// right edge, so the caption in it never stretches.
class HeaderPicture : public QWidget {
    Q_OBJECT
public:
    explicit HeaderPicture(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

} // namespace sievra
