#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <optional>

class QAction;
class QMenu;
class QTimer;

namespace sievra {

// The icon in the notification area with its menu puSystem and its animation. The main
// window owns it and connects the menu's handlers; this class only shows what it is told and
// reports a left click.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int FrameCount = 8;
    static constexpr int FrameMs = 100;

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // Whether the desktop has a notification area. Tests decide it for themselves, since
    // neither the offscreen platform nor a bare X server has one.
    static bool Available();
    static void SetAvailableForTests(std::optional<bool> available);
    // Whether the desktop shows notifications from the icon; tests that decide Available()
    // get none unless they ask for them.
    bool ShowsMessages() const;
    static void SetMessagesForTests(std::optional<bool> shown);
    // A notification from the icon; a click on it sends messageClicked.
    void ShowMessage(const QString& text, int milliseconds);
    // Looks whether the notification area is still there (every few seconds while the icon
    // is added); sends trayLost when it went away.
    void CheckAvailability();

    // Shows or removes the icon (where there is no notification area nothing shows).
    void Add();
    void Remove();
    bool Added() const { return added_; }

    // The tip as the engine composed it, lines separated by a carriage return; the icon's
    // tooltip shows them as lines.
    void SetTip(const QString& tip);
    QString Tip() const { return tip_; }

    // IconTimer: the frames of imlIcons every 100 ms while a pass runs, then the program's
    // own icon again. The frame index goes on where it stopped.
    void StartAnimation();
    void StopAnimation();
    bool Animating() const;
    // The frame on show, -1 for the program's icon.
    int ShownFrame() const { return shownFrame_; }
    const QList<QIcon>& Frames() const { return imlIcons_; }

    // puSystem's tag: 1 while the About box is open, when the icon ignores every click and
    // shows no menu.
    void SetTag(int tag);
    int Tag() const { return tag_; }

    QSystemTrayIcon* Icon() const { return icon_; }
    QMenu* Menu() const { return puSystem_; }
    QAction* OpenAction() const { return popOpen_; }
    QAction* CheckEMailAction() const { return popCheckEMail_; }
    QAction* LaunchEMailClientAction() const { return popLaunchEMailClient_; }
    QAction* AboutAction() const { return popAbout_; }
    QAction* ExitAction() const { return popExit_; }

signals:
    // A left click on the icon (not while the About box is open).
    void leftClicked();
    void frameShown(int frame);
    void messageClicked();
    // The notification area went away while the icon was added (the panel was closed).
    void trayLost();

private:
    void IconTimerTimer();
    void Activated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon* icon_;
    QMenu* puSystem_;
    QAction* popOpen_;
    QAction* popCheckEMail_;
    QAction* popLaunchEMailClient_;
    QAction* popAbout_;
    QAction* popExit_;
    QTimer* iconTimer_;
    QTimer* availabilityTimer_;
    QList<QIcon> imlIcons_;
    QIcon appIcon_;
    QString tip_;
    int k_ = 0;
    int shownFrame_ = -1;
    int tag_ = 0;
    bool added_ = false;
};

} // namespace sievra
