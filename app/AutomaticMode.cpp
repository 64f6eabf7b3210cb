// Automatic mode: the timer that runs a pass every "Interval" minutes while the window is
// out of sight, the tray icon with its menu, and the new-mail notifications.
#include "HelpWindow.h"
#include "MainPanels.h"
#include "TfrmMain.h"
#include "TfrmNotify.h"
#include "TfrmSplash.h"
#include "TrayIcon.h"
#include "UserDialogs.h"
#include "engine/ScreeningEngine.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QProcess>
#include <QTimer>

namespace sievra {

void TfrmMain::ConnectTray() {
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    connect(tray_.get(), &TrayIcon::leftClicked, this, &TfrmMain::TrayIconClick);
    connect(tray_->OpenAction(), &QAction::triggered, this, &TfrmMain::popOpenClick);
    connect(tray_->CheckEMailAction(), &QAction::triggered, this, &TfrmMain::popCheckEMailClick);
    connect(tray_->LaunchEMailClientAction(), &QAction::triggered, this,
            &TfrmMain::popLaunchEMailClientClick);
    connect(tray_->AboutAction(), &QAction::triggered, this, &TfrmMain::popAboutClick);
    connect(tray_->ExitAction(), &QAction::triggered, this, &TfrmMain::popExitClick);
    connect(tray_.get(), &TrayIcon::messageClicked, this, &TfrmMain::LaunchMailClient);
    connect(tray_.get(), &TrayIcon::trayLost, this, [this] {
        if (!isVisible()) {
            showMinimized();
        }
    });
}

// GO in automatic mode: the first pass runs at once (once GO itself has returned), the next
// ones every interval while the window stays out of sight.
void TfrmMain::StartAutomaticMode(int intervalMinutes) {
    Timer1->setInterval(intervalMinutes * minuteMs_);
    timerArmed_ = true;
    Timer1->start();
    HideToTray();
    QTimer::singleShot(0, this, [this] {
        if (Timer1->isActive() && WaitingBehindTray()) {
            Timer1Timer();
        }
    });
}

// Without a notification area there would be no way back to a hidden window: it is
// minimised instead.
void TfrmMain::HideToTray() {
    if (TrayIcon::Available()) {
        hide();
    } else {
        showMinimized();
    }
}

bool TfrmMain::WaitingBehindTray() const {
    return !isVisible() || isMinimized();
}

void TfrmMain::ShowMainWindow() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void TfrmMain::Timer1Timer() {
    Timer1->stop();
    RunPassFromTimer();
}

void TfrmMain::RunPassFromTimer() {
    if (!BeginBusy()) {
        return;
    }
    engine_->RunPass();
    EndBusy();
    RestartTimerWhileHidden();
}

// Automatic passes pause while the user has the window: they go on only out of sight.
void TfrmMain::RestartTimerWhileHidden() {
    if (timerArmed_ && AutoMode() && WaitingBehindTray() && !quitPending_) {
        Timer1->start();
    }
}

// The first-run contents open once; closed, they stay closed, and later activations of the
// window leave the focus where the user put it.
void TfrmMain::FormActivate() {
    Timer1->stop();
    if (firstRun_ && !firstRunHelpShown_) {
        firstRunHelpShown_ = true;
        ShowHelp(HelpContext::None, false);
    }
}

void TfrmMain::TrayIconClick() {
    Timer1->stop();
    ShowMainWindow();
}

void TfrmMain::BringForward() {
    Timer1->stop();
    ShowMainWindow();
}

void TfrmMain::popOpenClick() {
    Timer1->stop();
    ShowMainWindow();
}

void TfrmMain::popCheckEMailClick() {
    if (busy_) {
        return;
    }
    Timer1->stop();
    RunPassFromTimer();
}

void TfrmMain::popLaunchEMailClientClick() {
    LaunchMailClient();
}

void TfrmMain::popAboutClick() {
    tray_->SetTag(1);
    {
        TfrmSplash about(true);
        about.exec();
    }
    tray_->SetTag(0);
}

void TfrmMain::popExitClick() {
    RequestQuit();
}

void TfrmMain::SetTrayTip(const QString& tip) {
    tray_->SetTip(tip);
}

void TfrmMain::StartTrayAnimation() {
    tray_->StartAnimation();
}

void TfrmMain::StopTrayAnimation() {
    tray_->StopAnimation();
}

void TfrmMain::Beep() {
    QApplication::beep();
}

void TfrmMain::EnableLaunchMailClient() {
    tray_->LaunchEMailClientAction()->setEnabled(true);
}

TfrmNotify* TfrmMain::Notify() const {
    return notify_;
}

// The desktop's own notification where there is one: it waits in the notification area and
// a click on it is Get Mail. Elsewhere the pop-up, which the pass waits for without making it
// modal, so the tray menu and the window stay usable meanwhile.
void TfrmMain::ShowNewMailPopup(int waitingCount) {
    if (tray_->ShowsMessages()) {
        tray_->ShowMessage(TfrmNotify::MessageText(waitingCount), TfrmNotify::CloseAfterMs);
        return;
    }
    int result = QDialog::Rejected;
    {
        TfrmNotify notify(waitingCount);
        notify_ = &notify;
        QEventLoop wait;
        connect(&notify, &QDialog::finished, &wait, [&](int code) {
            result = code;
            wait.quit();
        });
        notify.show();
        notify.raise();
        wait.exec();
    }
    if (result == QDialog::Accepted) {
        LaunchMailClient();
    }
}

void TfrmMain::LaunchMailClient() {
    const QString path = EmailClient();
    if (path.isEmpty()) {
        dialogs_.Warning(QStringLiteral("No mail program is set. Choose one under Settings, "
                                        "EMail Client (Change...), and Get Mail starts it."));
        return;
    }
    if (!QProcess::startDetached(path, {})) {
        dialogs_.Warning(QStringLiteral("Error launching ") + path + QStringLiteral("!"));
        return;
    }
    engine_->MailClientLaunched();
    tray_->LaunchEMailClientAction()->setEnabled(false);
}

} // namespace sievra
