// The account panel: each field written through to the account's key when the user leaves it.
#include "AccountNode.h"
#include "MainPanels.h"
#include "TfrmMain.h"
#include "UserDialogs.h"
#include "settings/EntryRules.h"
#include "settings/NewAccount.h"
#include "settings/PasswordCipher.h"
#include "settings/PasswordStorage.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "widgets/PasswordEdit.h"
#include "widgets/SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace sievra {

namespace V = AccountValue;

namespace {

// A stored number outside the choice shows no entry; the engine refuses it until one is chosen.
int SecurityIndex(int stored) {
    return stored >= SecurityValue::None && stored <= SecurityValue::Tls ? stored : -1;
}

void ApplyResets(Account& account, SettingsKey& key, bool pop3, bool smtp) {
    if (pop3) {
        account.Pop3Tested = false;
        key.WriteFlag(V::Pop3Tested, false);
    }
    if (smtp) {
        account.SmtpTested = false;
        key.WriteFlag(V::SmtpTested, false);
    }
}

} // namespace

void TfrmMain::FillAccountPanel(const Account& a) {
    AccountPanel* p = pnlAccount;
    p->txtAccountName->setText(a.AccountName);
    p->chkActive->setChecked(a.Active);
    p->txtHost->setText(a.Pop3Server);
    p->txtUser->setText(a.Pop3User);
    p->txtPWD->setText(a.Pop3Password);
    p->txtPOP3Port->setText(a.Pop3Port);
    p->cboPOP3Security->setCurrentIndex(SecurityIndex(a.Pop3Security));
    p->spnPOP3TimeOut->SetValueQuietly(a.Pop3Timeout);
    p->chkSavePWD->setChecked(a.SavePop3Password);
    p->txtSMTP->setText(a.SmtpServer);
    p->txtSMTPPort->setText(a.SmtpPort);
    p->cboSMTPSecurity->setCurrentIndex(SecurityIndex(a.SmtpSecurity));
    p->spnSMTPTimeOut->SetValueQuietly(a.SmtpTimeout);
    p->txtEMail->setText(a.SmtpAddress);
    p->txtDisplayName->setText(a.SmtpDisplayName);
    p->chkAUTH->setChecked(a.RequiresAuth);
    p->chkUseSame->setChecked(a.UsePop3Login);
    p->txtSMTPUser->setText(a.SmtpUser);
    p->txtSMTPPWD->setText(a.SmtpPassword);
    p->chkSaveSMTPPWD->setChecked(a.SaveSmtpPassword);
    p->chkCheckSender->setChecked(a.CheckSenderAuthentication);
    UpdateActiveControls();
}

// An account without POP3 server or user cannot be screened: it cannot be made active, and
// the panel says what is missing.
void TfrmMain::UpdateActiveControls() {
    if (currentAccount_ == nullptr) {
        return;
    }
    const Account& a = currentAccount_->Record;
    pnlAccount->chkActive->setEnabled(a.Active || HasPop3Login(a));
    pnlAccount->lblMissing->setVisible(!HasPop3Login(a));
}

// Inactive accounts are drawn greyed in the tree.
void TfrmMain::UpdateNodeLook(AccountNode* node) {
    const QPalette::ColorGroup group = node->Record.Active ? QPalette::Active : QPalette::Disabled;
    node->setForeground(0, tvAccounts->palette().brush(group, QPalette::Text));
    node->setToolTip(0, node->Record.Active
                            ? node->Record.AccountName
                            : node->Record.AccountName + QStringLiteral(" (inactive)"));
}

// A new account becomes active once it has what screening needs.
void TfrmMain::ActivateWhenReady() {
    AccountNode* node = currentAccount_;
    if (node == nullptr || !node->AwaitingSetup || node->Record.Active ||
        !HasPop3Login(node->Record)) {
        UpdateActiveControls();
        return;
    }
    node->AwaitingSetup = false;
    pnlAccount->chkActive->setChecked(true);
    chkActiveClick(true);
    UpdateActiveControls();
}

// A port that is neither a number from 1 to 65535 nor a known service name is refused where
// it was typed: the field gets the stored value back.
bool TfrmMain::PortRefused(QLineEdit* edit, const QString& stored) {
    if (!edit->isModified()) {
        return false;
    }
    const QString problem = PortProblem(edit->text());
    if (problem.isEmpty()) {
        return false;
    }
    edit->setText(stored);
    edit->setModified(false);
    dialogs_.Warning(problem);
    return true;
}

// Choosing TLS on the plain port moves to the TLS port, and back.
void TfrmMain::OfferPortForSecurity(QLineEdit* edit, int index, int plainPort, int tlsPort) {
    const QString port =
        PortForSecurity(edit->text(), index == SecurityValue::Tls, plainPort, tlsPort);
    if (port != edit->text()) {
        edit->setText(port);
        edit->setModified(true);
    }
}

void TfrmMain::UpdateAuthControls() {
    AccountPanel* p = pnlAccount;
    p->chkUseSame->setEnabled(p->chkAUTH->isChecked() && p->chkAUTH->isEnabled());
    const bool ownLogin = p->chkUseSame->isEnabled() && !p->chkUseSame->isChecked();
    p->txtSMTPUser->setEnabled(ownLogin);
    for (QWidget* w :
         {static_cast<QWidget*>(p->txtSMTPPWD), static_cast<QWidget*>(p->chkSaveSMTPPWD),
          static_cast<QWidget*>(p->lblSMTPUser), static_cast<QWidget*>(p->lblSMTPPWD)}) {
        w->setEnabled(ownLogin);
    }
}

void TfrmMain::ExitAccountText(QLineEdit* edit, QString Account::*field, const QString& valueName,
                               Resets resets) {
    if (!edit->isModified() || currentAccount_ == nullptr) {
        return;
    }
    AccountNode* node = currentAccount_;
    const QString text = edit->text();
    WriteAccount(node, [&](SettingsKey& key) {
        node->Record.*field = text;
        key.WriteText(valueName, text);
        ApplyResets(node->Record, key, resets == Resets::Pop3Tested, resets == Resets::SmtpTested);
    });
    edit->setModified(false);
}

void TfrmMain::ClickAccountFlag(bool checked, bool Account::*field, const QString& valueName,
                                Resets resets) {
    AccountNode* node = currentAccount_;
    WriteAccount(node, [&](SettingsKey& key) {
        node->Record.*field = checked;
        key.WriteFlag(valueName, checked);
        ApplyResets(node->Record, key, resets == Resets::Pop3Tested, resets == Resets::SmtpTested);
    });
}

void TfrmMain::ChooseAccountSecurity(int index, int Account::*field, const QString& valueName,
                                     Resets resets) {
    AccountNode* node = currentAccount_;
    if (node == nullptr || index < 0 || node->Record.*field == index) {
        return;
    }
    WriteAccount(node, [&](SettingsKey& key) {
        node->Record.*field = index;
        // Chosen by the user: no server offer may change it any more.
        (field == &Account::Pop3Security ? node->Record.Pop3SecurityStored
                                         : node->Record.SmtpSecurityStored) = true;
        key.WriteNumber(valueName, index);
        ApplyResets(node->Record, key, resets == Resets::Pop3Tested, resets == Resets::SmtpTested);
    });
}

void TfrmMain::txtAccountNameExit() {
    QLineEdit* edit = pnlAccount->txtAccountName;
    if (!edit->isModified() || currentAccount_ == nullptr) {
        return;
    }
    AccountNode* node = currentAccount_;
    const QString name = edit->text();
    WriteAccount(node, [&](SettingsKey& key) {
        node->Record.AccountName = name;
        key.WriteText(V::AccountName, name);
        node->setText(0, name);
    });
    edit->setModified(false);
}

void TfrmMain::chkActiveClick(bool checked) {
    ClickAccountFlag(checked, &Account::Active, V::Active, Resets::Nothing);
    if (currentAccount_ != nullptr) {
        UpdateNodeLook(currentAccount_);
    }
}

void TfrmMain::txtHostExit() {
    ExitAccountText(pnlAccount->txtHost, &Account::Pop3Server, V::Pop3Server, Resets::Pop3Tested);
    ActivateWhenReady();
}

void TfrmMain::txtUserExit() {
    ExitAccountText(pnlAccount->txtUser, &Account::Pop3User, V::Pop3User, Resets::Pop3Tested);
    ActivateWhenReady();
}

void TfrmMain::txtPOP3PortExit() {
    if (currentAccount_ == nullptr ||
        PortRefused(pnlAccount->txtPOP3Port, currentAccount_->Record.Pop3Port)) {
        return;
    }
    ExitAccountText(pnlAccount->txtPOP3Port, &Account::Pop3Port, V::Pop3Port, Resets::Pop3Tested);
}

void TfrmMain::cboPOP3SecurityChange(int index) {
    ChooseAccountSecurity(index, &Account::Pop3Security, V::Pop3Security, Resets::Pop3Tested);
    OfferPortForSecurity(pnlAccount->txtPOP3Port, index, 110, Pop3TlsPort);
    txtPOP3PortExit();
}

void TfrmMain::txtSMTPExit() {
    ExitAccountText(pnlAccount->txtSMTP, &Account::SmtpServer, V::SmtpServer, Resets::SmtpTested);
}

void TfrmMain::txtSMTPPortExit() {
    if (currentAccount_ == nullptr ||
        PortRefused(pnlAccount->txtSMTPPort, currentAccount_->Record.SmtpPort)) {
        return;
    }
    ExitAccountText(pnlAccount->txtSMTPPort, &Account::SmtpPort, V::SmtpPort, Resets::SmtpTested);
}

void TfrmMain::cboSMTPSecurityChange(int index) {
    ChooseAccountSecurity(index, &Account::SmtpSecurity, V::SmtpSecurity, Resets::SmtpTested);
    OfferPortForSecurity(pnlAccount->txtSMTPPort, index, 25, SmtpTlsPort);
    txtSMTPPortExit();
}

void TfrmMain::txtEMailExit() {
    ExitAccountText(pnlAccount->txtEMail, &Account::SmtpAddress, V::SmtpAddress, Resets::Nothing);
}

void TfrmMain::txtDisplayNameExit() {
    ExitAccountText(pnlAccount->txtDisplayName, &Account::SmtpDisplayName, V::SmtpDisplayName,
                    Resets::Nothing);
}

void TfrmMain::txtSMTPUserExit() {
    ExitAccountText(pnlAccount->txtSMTPUser, &Account::SmtpUser, V::SmtpUser, Resets::SmtpTested);
}

void TfrmMain::spnPOP3TimeOutExit() {
    SpinEdit* spin = pnlAccount->spnPOP3TimeOut;
    if (!spin->IsModified() || currentAccount_ == nullptr) {
        return;
    }
    // The record keeps the new time-out for this run even when the key is gone.
    currentAccount_->Record.Pop3Timeout = spin->value();
    WriteAccount(currentAccount_,
                 [&](SettingsKey& key) { key.WriteNumber(V::Pop3Timeout, spin->value()); });
    spin->SetModified(false);
}

void TfrmMain::spnSMTPTimeOutExit() {
    SpinEdit* spin = pnlAccount->spnSMTPTimeOut;
    if (!spin->IsModified() || currentAccount_ == nullptr) {
        return;
    }
    currentAccount_->Record.SmtpTimeout = spin->value();
    WriteAccount(currentAccount_,
                 [&](SettingsKey& key) { key.WriteNumber(V::SmtpTimeout, spin->value()); });
    spin->SetModified(false);
}

// A password lives in the record at once; it reaches the store (and makes the account need a
// new test) only while its "Save" box is checked.
void TfrmMain::txtPWDExit() {
    QLineEdit* edit = pnlAccount->txtPWD;
    if (!edit->isModified() || currentAccount_ == nullptr) {
        return;
    }
    AccountNode* node = currentAccount_;
    node->Record.Pop3Password = edit->text();
    // A password typed in stands in for the one the keyring could not give.
    node->Record.KeyringError.clear();
    if (pnlAccount->chkSavePWD->isChecked()) {
        WriteAccount(node, [&](SettingsKey& key) {
            SavePassword(store_, key, PasswordKind::Pop3, node->Record.Pop3Password);
            ApplyResets(node->Record, key, true, false);
        });
    }
    edit->setModified(false);
}

void TfrmMain::txtSMTPPWDExit() {
    QLineEdit* edit = pnlAccount->txtSMTPPWD;
    if (!edit->isModified() || currentAccount_ == nullptr) {
        return;
    }
    AccountNode* node = currentAccount_;
    node->Record.SmtpPassword = edit->text();
    node->Record.KeyringError.clear();
    if (pnlAccount->chkSaveSMTPPWD->isChecked()) {
        WriteAccount(node, [&](SettingsKey& key) {
            SavePassword(store_, key, PasswordKind::Smtp, node->Record.SmtpPassword);
            ApplyResets(node->Record, key, false, true);
        });
    }
    edit->setModified(false);
}

void TfrmMain::chkSavePWDClick(bool checked) {
    AccountNode* node = currentAccount_;
    const QString password = pnlAccount->txtPWD->text();
    WriteAccount(node, [&](SettingsKey& key) {
        node->Record.SavePop3Password = checked;
        key.WriteFlag(V::SavePop3Password, checked);
        SavePassword(store_, key, PasswordKind::Pop3, checked ? password : QString());
    });
}

// Unchecking removes the stored password as for POP3: a password the user chose not to keep
// must not stay on disk. It stays in the record for this run.
void TfrmMain::chkSaveSMTPPWDClick(bool checked) {
    AccountNode* node = currentAccount_;
    const QString password = pnlAccount->txtSMTPPWD->text();
    WriteAccount(node, [&](SettingsKey& key) {
        node->Record.SaveSmtpPassword = checked;
        key.WriteFlag(V::SaveSmtpPassword, checked);
        SavePassword(store_, key, PasswordKind::Smtp, checked ? password : QString());
    });
}

void TfrmMain::chkAUTHClick(bool checked) {
    ClickAccountFlag(checked, &Account::RequiresAuth, V::RequiresAuth, Resets::SmtpTested);
    UpdateAuthControls();
}

void TfrmMain::chkCheckSenderClick(bool checked) {
    ClickAccountFlag(checked, &Account::CheckSenderAuthentication, V::CheckSenderAuthentication,
                     Resets::Nothing);
}

void TfrmMain::chkUseSameClick(bool checked) {
    ClickAccountFlag(checked, &Account::UsePop3Login, V::UsePop3Login, Resets::SmtpTested);
    UpdateAuthControls();
}

void TfrmMain::butAddAccountClick() {
    CommitFocusedField();
    if (!dialogs_.Confirm(QStringLiteral("Add a new account?"))) {
        return;
    }
    std::optional<Account> account;
    try {
        account = CreateAccount(store_);
    } catch (const StoreError& error) {
        dialogs_.Error(error.Message());
        return;
    }
    if (!account) {
        return;
    }
    AccountNode* node = AddAccountNode(*account);
    node->AwaitingSetup = true;
    node->setExpanded(true);
    tvAccounts->setCurrentItem(node);
}

void TfrmMain::butDeleteAccountClick() {
    AccountNode* node = SelectedAccountNode();
    if (node == nullptr) {
        return;
    }
    CommitFocusedField();
    const QString question = QStringLiteral("Delete account \"%1\"?").arg(node->Record.AccountName);
    if (!dialogs_.Confirm(question, false)) {
        return;
    }
    bool deleted = false;
    try {
        deleted =
            store_.KeyExists(ProductKey) && store_.DeleteKey(AccountKeyPath(node->Record.KeyName));
    } catch (const StoreError& error) {
        dialogs_.Error(error.Message());
        return;
    }
    if (!deleted) {
        return;
    }
    if (currentAccount_ == node) {
        currentAccount_ = nullptr;
    }
    if (codeWordsAccount_ == node) {
        codeWordsAccount_ = nullptr;
    }
    delete node;
    tvAccounts->setCurrentItem(settingsNode_);
    tvAccountsChange(settingsNode_);
}

} // namespace sievra
