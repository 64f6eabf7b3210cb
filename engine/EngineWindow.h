#pragma once

#include "engine/PassOptions.h"
#include "settings/Account.h"

#include <QList>
#include <QSslCertificate>
#include <QString>

namespace sievra {

enum class CertificateServer { Pop3, Smtp };

// All the engine needs of the program around it. The main window implements it; so do
// sievra-pass (on a terminal) and the tests. Only the two inputs must be given; every output
// does nothing unless the program shows it.
class EngineWindow {
public:
    virtual ~EngineWindow() = default;

    // The accounts as the window holds them now; the engine may set their two Tested flags.
    virtual QList<Account*> Accounts() = 0;
    // Read once when GO or a pass starts.
    virtual PassOptions ReadPassOptions() const = 0;

    // The status panel.
    virtual void AppendStatusLine(const QString& /*markup*/) {} // keeps the newest line in view
    virtual void ClearStatusLines() {}
    virtual void SetStatusLabel(const QString& /*plainText*/) {}
    virtual void ShowStatusBar(bool /*visible*/) {}
    virtual void SetStatusBarPosition(int /*percent*/) {}
    virtual void SetDateLabel(const QString& /*text*/) {}
    virtual void SelectStatusNode() {}
    virtual void FocusStatusList() {}

    // Buttons and the account tree.
    virtual void SetGoEnabled(bool /*enabled*/) {}
    virtual void SetCloseEnabled(bool /*enabled*/) {}
    virtual void SetAbortEnabled(bool /*enabled*/) {}
    virtual void SetAddAccountEnabled(bool /*enabled*/) {}
    virtual void SetDeleteAccountEnabled(bool /*enabled*/) {}
    virtual void SetTreeEnabled(bool /*enabled*/) {}
    virtual bool SelectedNodeIsAccount() const { return false; }

    // Whether the main window is to be shown (off while automatic mode starts hidden).
    virtual bool ShowMainWindowFlag() const { return true; }
    virtual void SetShowMainWindowFlag(bool /*on*/) {}
    virtual void ShowWarning(const QString& /*text*/) {}
    // After the missing-password warning: take the user to the field to fill in.
    virtual void SelectPasswordField(Account* /*account*/, bool /*smtp*/) {}

    // Automatic mode and its notifications.
    virtual void StartAutomaticMode(int /*intervalMinutes*/) {} // start the timer, hide
    virtual void SetTrayTip(const QString& /*tip*/) {}
    virtual void StartTrayAnimation() {}
    virtual void StopTrayAnimation() {}
    virtual void Beep() {}
    virtual void EnableLaunchMailClient() {}
    // Modal; a mail client launched from it tells the engine through MailClientLaunched().
    virtual void ShowNewMailPopup(int /*waitingCount*/) {}

    // A server's certificate failed verification (its error line is already out). The main
    // window offers to trust it for the account; programs without a window ignore it.
    virtual void CertificateRefused(const Account& /*account*/, CertificateServer /*server*/,
                                    const QSslCertificate& /*certificate*/) {}
};

} // namespace sievra
