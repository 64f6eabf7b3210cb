// The GO action: passwords first, a connection test for untested accounts, then screening.
#include "ScreeningEngine.h"
#include "engine/EngineWindow.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"

namespace sievra {

bool ScreeningEngine::StartScreening() {
    window_.FocusStatusList();
    options_ = window_.ReadPassOptions();
    if (!CheckPasswords()) {
        return false;
    }
    if (TestNeeded() && RunConnectionTest()) {
        return false;
    }
    counters_.DeletedTotal = 0;
    counters_.WaitingCount = 0;
    counters_.LastWaitingCount = 0;
    UpdateTrayTip(TrayTipMode::Waiting);
    if (options_.AutoMode) {
        window_.StartAutomaticMode(options_.IntervalMinutes);
        return true;
    }
    window_.SetGoEnabled(false);
    window_.SetCloseEnabled(false);
    RunPass();
    window_.SetCloseEnabled(true);
    window_.SetGoEnabled(true);
    return true;
}

bool ScreeningEngine::CheckPasswords() {
    for (Account* account : window_.Accounts()) {
        if (!account->KeyringError.isEmpty()) {
            continue; // the pass reports it and goes on with the others
        }
        const bool smtpPasswordNeeded = !account->Hints.isEmpty() && account->RequiresAuth &&
                                        !account->UsePop3Login && account->SmtpPassword.isEmpty();
        if (account->Active && (account->Pop3Password.isEmpty() || smtpPasswordNeeded)) {
            if (!window_.ShowMainWindowFlag()) {
                window_.SetShowMainWindowFlag(true);
            }
            window_.ShowWarning(QStringLiteral("Account \"") + account->AccountName +
                                QStringLiteral("\" needs a password. Please") +
                                QStringLiteral(" enter all passwords before proceeding."));
            window_.SelectPasswordField(account, !account->Pop3Password.isEmpty());
            return false;
        }
    }
    return true;
}

bool ScreeningEngine::TestNeeded() {
    for (const Account* account : window_.Accounts()) {
        if (account->Active && account->KeyringError.isEmpty() &&
            (!account->Pop3Tested || (!account->Hints.isEmpty() && !account->SmtpTested))) {
            return true;
        }
    }
    return false;
}

// Opens and closes each untested session; no message is fetched, deleted or sent. Returns
// whether any test failed.
bool ScreeningEngine::RunConnectionTest() {
    lastPassHadErrors_ = false;
    window_.SetDateLabel(QStringLiteral("Testing..."));
    window_.SelectStatusNode();
    window_.ClearStatusLines();
    const bool shown = window_.ShowMainWindowFlag();
    if (shown) {
        window_.SetAddAccountEnabled(false);
        window_.SetDeleteAccountEnabled(false);
        window_.SetTreeEnabled(false);
    }
    // Abort works here as in a pass: a silent server must not hold the window for its
    // whole time-out.
    passRunning_ = true;
    state_.AbortRequested = false;
    window_.SetAbortEnabled(true);
    bool failed = false;
    for (Account* account : window_.Accounts()) {
        state_.ErrorFlag = false;
        if (state_.AbortRequested) {
            break;
        }
        if (!account->Active || !account->KeyringError.isEmpty()) {
            continue;
        }
        if (!account->Pop3Tested) {
            account->Pop3Tested = OpenPop3Session(*account);
            failed = failed || !account->Pop3Tested;
            QuitPop3();
        }
        state_.ErrorFlag = false;
        if (!account->Hints.isEmpty() && !account->SmtpTested) {
            account->SmtpTested = OpenSmtpSession(*account) && CheckReplyPath(*account);
            failed = failed || !account->SmtpTested;
            QuitSmtp();
        }
        if (account->Pop3Tested || account->SmtpTested) {
            StoreTestedFlags(*account);
        }
    }
    window_.SetAbortEnabled(false);
    passRunning_ = false;
    if (state_.AbortRequested) {
        if (shown) {
            EnableAccountControls();
        }
        return true;
    }
    if (failed) {
        if (shown) {
            EnableAccountControls();
        } else {
            window_.SetShowMainWindowFlag(true);
        }
        window_.ShowWarning(QStringLiteral(
            "One or more accounts failed to pass a connection test. Please note the errors on "
            "the status screen and correct the problem(s) before proceeding."));
    }
    return failed;
}

// An account the server takes no reply from (authentication needed, a policy refusal) must
// fail here, in the server's words, before any mail is deleted: the null sender and the
// account's own address as a recipient, then RSET, so nothing is sent.
bool ScreeningEngine::CheckReplyPath(const Account& account) {
    Log(QStringLiteral("Checking that the server takes replies.."));
    smtp_.SetFromName(QString());
    smtp_.SetRcptName({account.SmtpAddress});
    return SmtpStep(QStringLiteral("checking the reply sender"), SmtpRequest::MailFrom,
                    [this] { smtp_.MailFrom(); }) &&
           SmtpStep(QStringLiteral("checking the reply recipient"), SmtpRequest::RcptTo,
                    [this] { smtp_.RcptTo(); }) &&
           SmtpStep(QStringLiteral("resetting the SMTP session"), SmtpRequest::Rset,
                    [this] { smtp_.Rset(); });
}

void ScreeningEngine::StoreTestedFlags(const Account& account) {
    if (store_ == nullptr) {
        return;
    }
    try {
        if (auto key = store_->OpenKey(AccountKeyPath(account.KeyName))) {
            key->WriteFlag(AccountValue::Pop3Tested, account.Pop3Tested);
            key->WriteFlag(AccountValue::SmtpTested, account.SmtpTested);
        }
    } catch (const StoreError& error) {
        // The flags stay on in memory; the next start simply tests again.
        Complain(QStringLiteral("<font color=\"clRed\"><B>Error: ") + error.Message() +
                 QStringLiteral("</B>"));
    }
}

} // namespace sievra
