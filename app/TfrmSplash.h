#pragma once

#include <QDialog>
#include <QImage>

namespace sievra {

class ImageButton;

// The splash while the program starts, and the About box: a borderless picture with the
// version. Only the About box has the OK button (Enter and Esc press it too).
class TfrmSplash : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSplash(bool aboutMode, QWidget* parent = nullptr);

    bool AboutMode() const { return aboutMode_; }
    ImageButton* OkButton() const { return butOK_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool aboutMode_;
    QImage picture_;
    ImageButton* butOK_;
};

} // namespace sievra
