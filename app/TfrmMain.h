#pragma once

#include "settings/Account.h"

#include <QList>
#include <QStringList>
#include <QWidget>
#include <functional>

class QLineEdit;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace sievra {

class AccountNode;
class AccountPanel;
class CodeWordsPanel;
class EditListBox;
class GeneralPanel;
class HeaderPicture;
class ImageButton;
class MessagePanel;
class SettingsKey;
class SettingsStore;
class StatusPanel;
class UserDialogs;

// The main window: the account tree on the left, the panel of the selected node on the
// right, and every setting written through to the store the moment the user leaves it.
class TfrmMain : public QWidget {
    Q_OBJECT
public:
    TfrmMain(SettingsStore& store, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Loads the settings into the controls and the tree; false (after the warning) when there
    // is no account, and the program must end.
    bool FormCreate();
    // Runs GO at once when automatic mode is on.
    void Init();
    // "First Time" was set when this run began.
    bool FirstRun() const { return firstRun_; }

    // --- What the screening engine and the tray use ---
    // The account records in tree order; the window owns them.
    QList<Account*> Accounts() const;
    QString ReplySubject() const;
    QStringList ReplyHeaderLines() const;
    QStringList ReplyFooterLines() const;
    bool AutoMode() const;
    int IntervalMinutes() const;
    bool BeepOn() const;
    bool VisualAlertOn() const;
    QString WabFile() const;
    QString EmailClient() const;

    // Whether the window shows when the program starts (and after a failed GO).
    bool ShowMainWindowFlag() const { return showMainWindow_; }
    void SetShowMainWindowFlag(bool show) { showMainWindow_ = show; }

    // The status panel.
    void AppendStatusLine(const QString& markup);
    void ClearStatusLines();
    void SetStatusLabel(const QString& text);
    void ShowStatusBar(bool show);
    void SetStatusBarPosition(int position);
    void SetDateLabel(const QString& text);
    // The whole of a status write: the line (unless label-only) with its markup in the list,
    // the label with the markup stripped, the bar shown or hidden.
    void WriteStatus(const QString& text, bool labelOnly, bool showBar);
    void FocusStatusList();

    // Buttons and tree while a pass or test runs.
    void SetGoEnabled(bool enabled);
    void SetCloseEnabled(bool enabled);
    void SetAbortEnabled(bool enabled);
    void SetAddAccountEnabled(bool enabled);
    void SetDeleteAccountEnabled(bool enabled);
    void SetTreeEnabled(bool enabled);
    bool SelectedNodeIsAccount() const;
    void SelectStatusNode();

    // What GO does. Here it only announces the request; screening connects to it.
    virtual void StartScreening();

    SettingsStore& Store() { return store_; }
    UserDialogs& Dialogs() { return dialogs_; }

signals:
    void goRequested();
    void abortRequested();
    // butClose: the fields are written; the program should end.
    void quitRequested();
    void formActivated();
    // The window became active during a first run: show the help's default topic.
    void firstRunHelpRequested();
    void formClosing();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void ConnectHandlers();
    bool LoadSettings();
    AccountNode* AddAccountNode(const Account& account);
    AccountNode* SelectedAccountNode() const;
    // Moves the focus to a control that edits nothing, so a field being edited is written.
    void CommitFocusedField();

    // Store writes: open the key without creating it, write in one transaction. False when
    // the key is gone; a refused write shows the store's message.
    bool WriteAccount(AccountNode* node, const std::function<void(SettingsKey&)>& write);
    bool WriteProduct(const std::function<void(SettingsKey&)>& write);

    // Tree and panels.
    void tvAccountsChange(QTreeWidgetItem* node);
    void ShowPanel(QWidget* panel);
    void FillAccountPanel(const Account& account);
    void UpdateAuthControls();

    // Account fields.
    enum class Resets { Nothing, Pop3Tested, SmtpTested };
    void ExitAccountText(QLineEdit* edit, QString Account::*field, const QString& valueName,
                         Resets resets);
    void ClickAccountFlag(bool checked, bool Account::*field, const QString& valueName,
                          Resets resets);
    void ChooseAccountSecurity(int index, int Account::*field, const QString& valueName,
                               Resets resets);
    void txtAccountNameExit();
    void chkActiveClick(bool checked);
    void txtHostExit();
    void txtUserExit();
    void txtPWDExit();
    void txtPOP3PortExit();
    void cboPOP3SecurityChange(int index);
    void spnPOP3TimeOutExit();
    void chkSavePWDClick(bool checked);
    void txtSMTPExit();
    void txtSMTPPortExit();
    void cboSMTPSecurityChange(int index);
    void spnSMTPTimeOutExit();
    void txtEMailExit();
    void txtDisplayNameExit();
    void chkAUTHClick(bool checked);
    void chkUseSameClick(bool checked);
    void txtSMTPUserExit();
    void txtSMTPPWDExit();
    void chkSaveSMTPPWDClick(bool checked);
    void butAddAccountClick();
    void butDeleteAccountClick();

    // General settings.
    void chkAutoClick(bool checked);
    void chkBeepClick(bool checked);
    void chkVisualClick(bool checked);
    void spnIntervalExit();
    void butChangeWABClick();
    void butChangeEmailClientClick();
    void ApplyAutomaticMode();
    void EnableAutomaticOptions();

    // Code words and hints.
    void FillCodeWordLists(AccountNode* node);
    void UpdateDeleteButtons();
    void butAddClick();
    void butAddHintClick();
    void butDeleteClick();
    void butDeleteHintClick();
    void DeleteListEntry(EditListBox* list, ImageButton* button);
    void lstCodesExit();
    void lstHintsExit();
    void SaveList(EditListBox* list, const QString& subkey, QString Account::*field);

    // Reply text.
    void txtSubjectExit();
    void memHeaderExit();
    void memFooterExit();

    void butCloseClick();

    SettingsStore& store_;
    UserDialogs& dialogs_;
    bool firstRun_ = false;
    bool showMainWindow_ = true;

    HeaderPicture* header_ = nullptr;
    QTreeWidget* tvAccounts = nullptr;
    QTreeWidgetItem* settingsNode_ = nullptr;
    QTreeWidgetItem* messageNode_ = nullptr;
    QTreeWidgetItem* statusNode_ = nullptr;
    QStackedWidget* panels_ = nullptr;
    GeneralPanel* pnlGeneral = nullptr;
    MessagePanel* pnlMessage = nullptr;
    StatusPanel* pnlStatus = nullptr;
    AccountPanel* pnlAccount = nullptr;
    CodeWordsPanel* pnlCodeWords = nullptr;
    ImageButton* butAddAccount = nullptr;
    ImageButton* butDeleteAccount = nullptr;
    ImageButton* butGO = nullptr;
    ImageButton* butAbort = nullptr;
    ImageButton* butClose = nullptr;

    // The account whose fields pnlAccount shows, and whose lists pnlCodeWords shows.
    AccountNode* currentAccount_ = nullptr;
    AccountNode* codeWordsAccount_ = nullptr;
};

} // namespace sievra
