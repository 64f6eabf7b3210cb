#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace sievra {

class ImageButton;

// The new-mail pop-up: "Get Mail" ends it with OK, the close button, Esc and a minute alone
// end it with Cancel.
class TfrmNotify : public QDialog {
    Q_OBJECT
public:
    static constexpr int CloseAfterMs = 60000;

    explicit TfrmNotify(int waitingCount, QWidget* parent = nullptr);

    static QString MessageText(int waitingCount);
    // Tests wait less than a minute for it to close by itself; 0 restores the minute.
    static void SetCloseDelayForTests(int milliseconds);

    QLabel* lblMessage;
    ImageButton* butClose;
    ImageButton* butGetmail;
    QTimer* Timer1;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace sievra
