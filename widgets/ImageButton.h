#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace sievra {

// The four pictures of an image button.
struct ButtonPictures {
    QPixmap Up;
    QPixmap Down;
    QPixmap Hover;
    QPixmap Disabled;
};

// Draws the pictures of a rounded button with a caption in the given colour; `size` is in
// device-independent pixels and the pictures are drawn for the screen's pixel ratio.
ButtonPictures DrawButtonPictures(QSize size, const QString& caption, const QColor& colour,
                                  qreal pixelRatio = 1.0);

// A button drawn from pictures: up, down while pressed, hover under the mouse and disabled.
// It takes the focus like any push button (Tab, Space and Enter press it), draws a focus ring
// in the palette's highlight colour, and a "&" in its caption marks its mnemonic.
class ImageButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    void SetPictures(const ButtonPictures& pictures);
    // Draws and sets pictures of the given size for the caption.
    void SetCaption(const QString& caption, QSize size, const QColor& colour);

    // The picture the current state shows.
    const QPixmap& CurrentPicture() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ButtonPictures pictures_;
    bool hover_ = false;
};

} // namespace sievra
