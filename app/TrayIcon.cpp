#include "TrayIcon.h"

#include "AppIcon.h"
#include "widgets/DesktopIntegration.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QTimer>

namespace sievra {

namespace {
std::optional<bool> availableForTests;
std::optional<bool> messagesForTests;
constexpr int AvailabilityCheckMs = 5000;
} // namespace

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent)
    , icon_(new QSystemTrayIcon(this))
    , puSystem_(new QMenu)
    , iconTimer_(new QTimer(this))
    , availabilityTimer_(new QTimer(this))
    , imlIcons_(TrayAnimationFrames())
    , appIcon_(ThemedAppIcon(QCoreApplication::applicationDirPath(), AppIcon())) {
    puSystem_->setObjectName(QStringLiteral("puSystem"));
    const auto item = [this](const QString& name, const QString& text) {
        QAction* action = puSystem_->addAction(text);
        action->setObjectName(name);
        return action;
    };
    popOpen_ = item(QStringLiteral("popOpen"), QStringLiteral("Open"));
    puSystem_->setDefaultAction(popOpen_);
    puSystem_->addSeparator();
    popCheckEMail_ = item(QStringLiteral("popCheckEMail"), QStringLiteral("Check EMail Now"));
    puSystem_->addSeparator();
    popLaunchEMailClient_ =
        item(QStringLiteral("popLaunchEMailClient"), QStringLiteral("Launch EMail Client"));
    popLaunchEMailClient_->setEnabled(false);
    puSystem_->addSeparator();
    popAbout_ = item(QStringLiteral("popAbout"), QStringLiteral("About.."));
    popExit_ = item(QStringLiteral("popExit"), QStringLiteral("Quit"));

    icon_->setIcon(appIcon_);
    icon_->setToolTip(QStringLiteral("Sievra"));
    icon_->setContextMenu(puSystem_);
    connect(icon_, &QSystemTrayIcon::activated, this, &TrayIcon::Activated);

    iconTimer_->setObjectName(QStringLiteral("IconTimer"));
    iconTimer_->setInterval(FrameMs);
    connect(iconTimer_, &QTimer::timeout, this, &TrayIcon::IconTimerTimer);
    connect(icon_, &QSystemTrayIcon::messageClicked, this, &TrayIcon::messageClicked);
    availabilityTimer_->setInterval(AvailabilityCheckMs);
    connect(availabilityTimer_, &QTimer::timeout, this, &TrayIcon::CheckAvailability);
}

// The menu has no parent widget to take it along.
TrayIcon::~TrayIcon() {
    icon_->hide();
    icon_->setContextMenu(nullptr);
    delete puSystem_;
}

bool TrayIcon::Available() {
    return availableForTests.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayIcon::SetAvailableForTests(std::optional<bool> available) {
    availableForTests = available;
}

void TrayIcon::Add() {
    added_ = true;
    icon_->show();
    availabilityTimer_->start();
}

void TrayIcon::Remove() {
    added_ = false;
    icon_->hide();
    availabilityTimer_->stop();
}

bool TrayIcon::ShowsMessages() const {
    if (messagesForTests || availableForTests) {
        return messagesForTests.value_or(false);
    }
    return added_ && Available() && QSystemTrayIcon::supportsMessages();
}

void TrayIcon::SetMessagesForTests(std::optional<bool> shown) {
    messagesForTests = shown;
}

void TrayIcon::ShowMessage(const QString& text, int milliseconds) {
    icon_->showMessage(QStringLiteral("Sievra"), text, appIcon_, milliseconds);
}

void TrayIcon::CheckAvailability() {
    if (added_ && !Available()) {
        emit trayLost();
    }
}

void TrayIcon::SetTip(const QString& tip) {
    tip_ = tip;
    QString shown = tip;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    icon_->setToolTip(shown);
}

void TrayIcon::StartAnimation() {
    iconTimer_->start();
}

void TrayIcon::StopAnimation() {
    iconTimer_->stop();
    icon_->setIcon(appIcon_);
    shownFrame_ = -1;
}

bool TrayIcon::Animating() const {
    return iconTimer_->isActive();
}

void TrayIcon::IconTimerTimer() {
    icon_->setIcon(imlIcons_[k_]);
    shownFrame_ = k_;
    k_ = (k_ + 1) % FrameCount;
    emit frameShown(shownFrame_);
}

void TrayIcon::SetTag(int tag) {
    tag_ = tag;
    // The desktop shows the menu by itself on a right click; without it there is nothing to
    // show.
    icon_->setContextMenu(tag_ == 0 ? puSystem_ : nullptr);
}

void TrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
    if (tag_ != 0) {
        return;
    }
    if (reason == QSystemTrayIcon::Trigger) {
        emit leftClicked();
    }
}

} // namespace sievra
