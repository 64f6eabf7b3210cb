#include "TfrmSplash.h"

#include "HeaderPicture.h"
#include "MainPanels.h"
#include "settings/SettingsStore.h"
#include "widgets/HyperlinkLabel.h"
#include "widgets/ImageButton.h"
#include "widgets/ReadOnlyMemo.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QUrl>

namespace sievra {

namespace {

QLabel* WhiteText(const QString& name, const QString& text, int pointSize, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont f = label->font();
    f.setPointSize(pointSize);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0xe4, 0xf1, 0xf5));
    pal.setColor(QPalette::Text, QColor(0xe4, 0xf1, 0xf5));
    label->setPalette(pal);
    return label;
}

} // namespace

TfrmSplash::TfrmSplash(bool aboutMode, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog |
                          (aboutMode ? Qt::WindowFlags() : Qt::WindowFlags(Qt::SplashScreen)))
    , aboutMode_(aboutMode)
    , picture_(LoadJpegPicture(QStringLiteral(":/sievra/splash.jpg"))) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("About Sievra"));
    const QSize size = picture_.isNull() ? QSize(420, 250) : picture_.size();
    setFixedSize(size);

    auto* version =
        WhiteText(QStringLiteral("lblVersion"), QStringLiteral("Version 1.0.1"), 10, this);
    version->move(152, 122);
    version->adjustSize();

    auto* about = new ReadOnlyMemo(
        QStringLiteral("Keeps unwanted mail off your POP3 mailboxes: only senders from your "
                       "address book, or with a code word in the subject, get through.\n"
                       "Free software under the MIT licence."),
        this);
    about->setObjectName(QStringLiteral("memAbout"));
    about->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QPalette memoPalette = about->palette();
    memoPalette.setColor(QPalette::Text, QColor(0xe4, 0xf1, 0xf5));
    about->setPalette(memoPalette);
    about->setGeometry(20, 152, size.width() - 40, 56);

    const QString storePath = SettingsStore::DefaultPath();
    auto* link = new HyperlinkLabel(QStringLiteral("Open the settings folder"), this);
    link->setObjectName(QStringLiteral("lnkSettings"));
    link->SetUrl(QUrl::fromLocalFile(QFileInfo(storePath).absolutePath()));
    QPalette linkPalette = link->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0xa8, 0xe0, 0xf0));
    link->setPalette(linkPalette);
    link->setGeometry(24, size.height() - 30, size.width() - 48, 20);

    butOK_ = MakeImageButton(QStringLiteral("butOK"), QStringLiteral("OK"), QString(),
                             ButtonColour::Action, QSize(44, 24), this);
    butOK_->move(size.width() - 44 - 8, 8);
    butOK_->setVisible(aboutMode_);
    connect(butOK_, &QAbstractButton::clicked, this, &QDialog::accept);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size);
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TfrmSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (picture_.isNull()) {
        p.fillRect(rect(), QColor(0x1f, 0x4f, 0x76));
    } else {
        p.drawImage(0, 0, picture_);
    }
}

void TfrmSplash::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        if (aboutMode_) {
            butOK_->click();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace sievra
