#pragma once

#include "settings/Account.h"
#include "settings/GlobalSettings.h"

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

namespace sievra {

enum class CertificateServer { Pop3, Smtp };

// All the engine needs of the program around it. The main window implements it; so do
// sievra-pass (on a terminal) and the tests.
class EngineWindow {
public:
    virtual ~EngineWindow() = default;

    // What to screen and what to reply, as the window holds it now. The engine may set the
    // two Tested flags of these records.
    virtual QList<Account*> Accounts() = 0;
    virtual QString WabFile() const = 0;
    // The contact sources beside the WAB file, and the allowed senders (addresses and the
    // domain forms "@example.org" and "*.example.org").
    virtual QStringList AddressBooks() const { return {}; }
    virtual QStringList AllowedSenders() const { return {}; }
    virtual QString ReplySubject() const = 0;
    virtual QStringList ReplyHeaderLines() const = 0;
    virtual QStringList ReplyFooterLines() const = 0;
    virtual bool AutoMode() const = 0;
    virtual int IntervalMinutes() const = 0;
    virtual bool BeepOn() const = 0;
    virtual bool VisualAlertOn() const = 0;
    // How many messages of one session a pass screens at most.
    virtual int MaxMessagesPerPass() const { return DefaultMaxMessagesPerPass; }
    // Days before the same address may be sent another reply (0: at every pass), and the
    // replies one pass sends at most.
    virtual int ReplyIntervalDays() const { return DefaultReplyIntervalDays; }
    virtual int RepliesPerPass() const { return DefaultRepliesPerPass; }

    // The status panel.
    virtual void AppendStatusLine(const QString& markup) = 0; // keeps the newest line in view
    virtual void ClearStatusLines() = 0;
    virtual void SetStatusLabel(const QString& plainText) = 0;
    virtual void ShowStatusBar(bool visible) = 0;
    virtual void SetStatusBarPosition(int percent) = 0;
    virtual void SetDateLabel(const QString& text) = 0;
    virtual void SelectStatusNode() = 0;
    virtual void FocusStatusList() = 0;

    // Buttons and the account tree.
    virtual void SetGoEnabled(bool enabled) = 0;
    virtual void SetCloseEnabled(bool enabled) = 0;
    virtual void SetAbortEnabled(bool enabled) = 0;
    virtual void SetAddAccountEnabled(bool enabled) = 0;
    virtual void SetDeleteAccountEnabled(bool enabled) = 0;
    virtual void SetTreeEnabled(bool enabled) = 0;
    virtual bool SelectedNodeIsAccount() const = 0;

    // Whether the main window is to be shown (off while automatic mode starts hidden).
    virtual bool ShowMainWindowFlag() const = 0;
    virtual void SetShowMainWindowFlag(bool on) = 0;
    virtual void ShowWarning(const QString& text) = 0;
    // After the missing-password warning: take the user to the field to fill in.
    virtual void SelectPasswordField(Account* /*account*/, bool /*smtp*/) {}

    // Automatic mode and its notifications.
    virtual void StartAutomaticMode(int intervalMinutes) = 0; // start the timer, hide
    virtual void SetTrayTip(const QString& tip) = 0;
    virtual void StartTrayAnimation() = 0;
    virtual void StopTrayAnimation() = 0;
    virtual void Beep() = 0;
    virtual void EnableLaunchMailClient() = 0;
    // Modal; a mail client launched from it tells the engine through MailClientLaunched().
    virtual void ShowNewMailPopup(int waitingCount) = 0;

    // A server's certificate failed verification (its error line is already out). The main
    // window offers to trust it for the account; programs without a window ignore it.
    virtual void CertificateRefused(const Account& account, CertificateServer server,
                                    const QSslCertificate& certificate) {
        (void)account;
        (void)server;
        (void)certificate;
    }
};

} // namespace sievra
