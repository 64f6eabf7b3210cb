// The account panel: each field written through to the account's key when the user leaves it.
#include "AccountNode.h"
#include "MainPanels.h"
#include "TfrmMain.h"
#include "UserDialogs.h"
#include "settings/AccountTable.h"
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

// The panel's control of each value it shows. The Tested flags and the trusted certificates
// have none: the connection tests and the certificate dialog set them.
QList<std::pair<AccountField, QWidget*>> PanelControls(AccountPanel* p) {
    return {{&Account::Active, p->chkActive},
            {&Account::AccountName, p->txtAccountName},
            {&Account::Pop3Server, p->txtHost},
            {&Account::Pop3Port, p->txtPOP3Port},
            {&Account::Pop3User, p->txtUser},
            {&Account::Pop3Password, p->txtPWD},
            {&Account::SavePop3Password, p->chkSavePWD},
            {&Account::Pop3Timeout, p->spnPOP3TimeOut},
            {&Account::SmtpServer, p->txtSMTP},
            {&Account::SmtpPort, p->txtSMTPPort},
            {&Account::SmtpAddress, p->txtEMail},
            {&Account::SmtpDisplayName, p->txtDisplayName},
            {&Account::RequiresAuth, p->chkAUTH},
            {&Account::UsePop3Login, p->chkUseSame},
            {&Account::SmtpUser, p->txtSMTPUser},
            {&Account::SmtpPassword, p->txtSMTPPWD},
            {&Account::SaveSmtpPassword, p->chkSaveSMTPPWD},
            {&Account::SmtpTimeout, p->spnSMTPTimeOut},
            {&Account::Pop3Security, p->cboPOP3Security},
            {&Account::SmtpSecurity, p->cboSMTPSecurity},
            {&Account::CheckSenderAuthentication, p->chkCheckSender}};
}

// Shows the record's value of a row in its control, without marking the control modified.
void ShowAccountValue(QWidget* control, const AccountValueRow& row, const Account& a) {
    switch (row.Kind) {
    case AccountValueKind::Text:
    case AccountValueKind::Password:
        static_cast<QLineEdit*>(control)->setText(a.*std::get<QString Account::*>(row.Field));
        break;
    case AccountValueKind::Flag:
        static_cast<QCheckBox*>(control)->setChecked(a.*std::get<bool Account::*>(row.Field));
        break;
    case AccountValueKind::Number:
        static_cast<SpinEdit*>(control)->SetValueQuietly(a.*std::get<int Account::*>(row.Field));
        break;
    case AccountValueKind::Security:
        static_cast<QComboBox*>(control)->setCurrentIndex(
            SecurityIndex(a.*std::get<int Account::*>(row.Field)));
        break;
    case AccountValueKind::Certificate:
        break;
    }
}

} // namespace

void TfrmMain::FillAccountPanel(const Account& a) {
    const QList<std::pair<AccountField, QWidget*>> controls = PanelControls(pnlAccount);
    for (const AccountValueRow& row : AccountValueTable()) {
        for (const auto& [field, control] : controls) {
            if (field == row.Field) {
                ShowAccountValue(control, row, a);
            }
        }
    }
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

// The value goes to the record and the key, and clears the Tested flag its row names.
bool TfrmMain::WriteAccountField(const AccountField& field, const std::function<void()>& set) {
    AccountNode* node = currentAccount_;
    const AccountValueRow& row = AccountValueOf(field);
    return WriteAccount(node, [&](SettingsKey& key) {
        set();
        WriteAccountValue(key, row, node->Record);
        ApplyTestedReset(key, row, node->Record);
    });
}

void TfrmMain::ExitAccountText(QLineEdit* edit, QString Account::*field) {
    if (!edit->isModified() || currentAccount_ == nullptr) {
        return;
    }
    AccountNode* node = currentAccount_;
    const QString text = edit->text();
    WriteAccountField(field, [&] { node->Record.*field = text; });
    edit->setModified(false);
}

void TfrmMain::ClickAccountFlag(bool checked, bool Account::*field) {
    AccountNode* node = currentAccount_;
    WriteAccountField(field, [&] { node->Record.*field = checked; });
}

void TfrmMain::ChooseAccountSecurity(int index, int Account::*field) {
    AccountNode* node = currentAccount_;
    if (node == nullptr || index < 0 || node->Record.*field == index) {
        return;
    }
    WriteAccountField(field, [&] {
        node->Record.*field = index;
        // Chosen by the user: no server offer may change it any more.
        (field == &Account::Pop3Security ? node->Record.Pop3SecurityStored
                                         : node->Record.SmtpSecurityStored) = true;
    });
}

// The record keeps the new time-out for this run even when the key is gone.
void TfrmMain::ExitAccountTimeout(SpinEdit* spin, int Account::*field) {
    if (!spin->IsModified() || currentAccount_ == nullptr) {
        return;
    }
    currentAccount_->Record.*field = spin->value();
    WriteAccountField(field, [] {});
    spin->SetModified(false);
}

void TfrmMain::txtAccountNameExit() {
    AccountNode* node = currentAccount_;
    if (node == nullptr || !pnlAccount->txtAccountName->isModified()) {
        return;
    }
    const QString name = pnlAccount->txtAccountName->text();
    if (WriteAccountField(&Account::AccountName, [&] { node->Record.AccountName = name; })) {
        node->setText(0, name);
    }
    pnlAccount->txtAccountName->setModified(false);
}

void TfrmMain::chkActiveClick(bool checked) {
    ClickAccountFlag(checked, &Account::Active);
    if (currentAccount_ != nullptr) {
        UpdateNodeLook(currentAccount_);
    }
}

void TfrmMain::txtHostExit() {
    ExitAccountText(pnlAccount->txtHost, &Account::Pop3Server);
    ActivateWhenReady();
}

void TfrmMain::txtUserExit() {
    ExitAccountText(pnlAccount->txtUser, &Account::Pop3User);
    ActivateWhenReady();
}

void TfrmMain::txtPOP3PortExit() {
    if (currentAccount_ == nullptr ||
        PortRefused(pnlAccount->txtPOP3Port, currentAccount_->Record.Pop3Port)) {
        return;
    }
    ExitAccountText(pnlAccount->txtPOP3Port, &Account::Pop3Port);
}

void TfrmMain::cboPOP3SecurityChange(int index) {
    ChooseAccountSecurity(index, &Account::Pop3Security);
    OfferPortForSecurity(pnlAccount->txtPOP3Port, index, 110, Pop3TlsPort);
    txtPOP3PortExit();
}

void TfrmMain::txtSMTPExit() {
    ExitAccountText(pnlAccount->txtSMTP, &Account::SmtpServer);
}

void TfrmMain::txtSMTPPortExit() {
    if (currentAccount_ == nullptr ||
        PortRefused(pnlAccount->txtSMTPPort, currentAccount_->Record.SmtpPort)) {
        return;
    }
    ExitAccountText(pnlAccount->txtSMTPPort, &Account::SmtpPort);
}

void TfrmMain::cboSMTPSecurityChange(int index) {
    ChooseAccountSecurity(index, &Account::SmtpSecurity);
    OfferPortForSecurity(pnlAccount->txtSMTPPort, index, 25, SmtpTlsPort);
    txtSMTPPortExit();
}

void TfrmMain::txtEMailExit() {
    ExitAccountText(pnlAccount->txtEMail, &Account::SmtpAddress);
}

void TfrmMain::txtDisplayNameExit() {
    ExitAccountText(pnlAccount->txtDisplayName, &Account::SmtpDisplayName);
}

void TfrmMain::txtSMTPUserExit() {
    ExitAccountText(pnlAccount->txtSMTPUser, &Account::SmtpUser);
}

void TfrmMain::spnPOP3TimeOutExit() {
    ExitAccountTimeout(pnlAccount->spnPOP3TimeOut, &Account::Pop3Timeout);
}

void TfrmMain::spnSMTPTimeOutExit() {
    ExitAccountTimeout(pnlAccount->spnSMTPTimeOut, &Account::SmtpTimeout);
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
            ApplyTestedReset(key, AccountValueOf(&Account::Pop3Password), node->Record);
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
            ApplyTestedReset(key, AccountValueOf(&Account::SmtpPassword), node->Record);
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
    ClickAccountFlag(checked, &Account::RequiresAuth);
    UpdateAuthControls();
}

void TfrmMain::chkCheckSenderClick(bool checked) {
    ClickAccountFlag(checked, &Account::CheckSenderAuthentication);
}

void TfrmMain::chkUseSameClick(bool checked) {
    ClickAccountFlag(checked, &Account::UsePop3Login);
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
