#pragma once

#include "engine/EngineWindow.h"
#include "settings/Account.h"
#include "settings/AccountTable.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

class QLineEdit;
class QShortcut;
class QSplitter;
class QStackedWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace sievra {

class AccountNode;
class AccountPanel;
class CodeWordsPanel;
class EditListBox;
class GeneralPanel;
class HeaderPicture;
class HelpWindow;
class ImageButton;
class MessagePanel;
class ScreeningEngine;
class SettingsKey;
class SettingsStore;
class SpinEdit;
class StatusPanel;
class HistoryPanel;
class TfrmNotify;
class TrayIcon;
class UserDialogs;

// The main window: the account tree on the left, the panel of the selected node on the
// right, and every setting written through to the store the moment the user leaves it. It
// owns the screening engine and is the engine's window; in automatic mode it waits behind
// the tray icon.
class TfrmMain : public QWidget, public EngineWindow {
    Q_OBJECT
public:
    // A minute of "Interval" lasts `minuteMs` (the tests shorten it).
    TfrmMain(SettingsStore& store, UserDialogs& dialogs, int minuteMs = 60000,
             QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Loads the settings into the controls and the tree; false (after the warning) when there
    // is no account, and the program must end.
    bool FormCreate();
    // Runs GO at once when automatic mode is on. From here on the window shows itself
    // whenever the show-main-window flag is turned on.
    void Init();
    // "First Time" was set when this run began.
    bool FirstRun() const { return firstRun_; }

    // --- EngineWindow: what the screening engine reads and shows ---
    // The account records in tree order; the window owns them.
    QList<Account*> Accounts() override;
    // The stored product values, with what the controls show now in place of their own.
    PassOptions ReadPassOptions() const override;
    QString EmailClient() const;

    void AppendStatusLine(const QString& markup) override;
    void ClearStatusLines() override;
    void SetStatusLabel(const QString& text) override;
    void ShowStatusBar(bool show) override;
    void SetStatusBarPosition(int position) override;
    void SetDateLabel(const QString& text) override;
    void SelectStatusNode() override;
    void FocusStatusList() override;

    void SetGoEnabled(bool enabled) override;
    void SetCloseEnabled(bool enabled) override;
    void SetAbortEnabled(bool enabled) override;
    void SetAddAccountEnabled(bool enabled) override;
    void SetDeleteAccountEnabled(bool enabled) override;
    void SetTreeEnabled(bool enabled) override;
    bool SelectedNodeIsAccount() const override;

    // Whether the window shows when the program starts. Turned on after the start (a failed
    // GO in automatic mode), it brings the window back.
    bool ShowMainWindowFlag() const override { return showMainWindow_; }
    void SetShowMainWindowFlag(bool show) override;
    void ShowWarning(const QString& text) override;
    void SelectPasswordField(Account* account, bool smtp) override;

    void StartAutomaticMode(int intervalMinutes) override;
    void SetTrayTip(const QString& tip) override;
    void StartTrayAnimation() override;
    void StopTrayAnimation() override;
    void Beep() override;
    void EnableLaunchMailClient() override;
    void ShowNewMailPopup(int waitingCount) override;
    void CertificateRefused(const Account& account, CertificateServer server,
                            const QSslCertificate& certificate) override;

    // --- GO, automatic mode and the tray ---
    // The GO action (butGOClick). Nothing happens while a pass or a start is under way.
    void StartScreening();
    // Starts the mail client named under "EMail Client".
    void LaunchMailClient();
    // Shows the help page of a topic (HelpContext::None: the contents); nothing when the
    // pages are missing. Without reopen an open help window stays on its page.
    void ShowHelp(int context, bool reopen = true);
    // Where the help pages are (by default the folder "help" beside the program).
    void SetHelpDirectory(const QString& directory) { helpDirectory_ = directory; }
    // Shows the window in front, as the tray's Open does (another copy was started).
    void BringForward();
    // True while a pass or a start of screening runs.
    bool Busy() const { return busy_; }

    ScreeningEngine& Engine() { return *engine_; }
    TrayIcon& Tray() { return *tray_; }
    QTimer* AutoTimer() const { return Timer1; }
    HelpWindow* Help() const { return help_.get(); }
    // The new-mail pop-up while it is open.
    TfrmNotify* Notify() const;
    SettingsStore& Store() { return store_; }
    UserDialogs& Dialogs() { return dialogs_; }

signals:
    // The fields are written and no pass runs: the program should end.
    void quitRequested();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWindow();
    void BuildTree();
    void BuildAccountButtons();
    void BuildPanels();
    void BuildRunButtons();
    void LayOutWindow();
    void ConnectHandlers();
    void ConnectTray();
    void AssignHelpContexts();
    // F5 and Ctrl+G for GO, Esc for Abort while a pass runs, Ctrl+Q to quit.
    void ConnectShortcuts();
    // Size, position and the splitter as the user left them, kept in the product key.
    bool RestoreWindowPlace();
    void SaveWindowPlace();
    bool LoadSettings();
    AccountNode* AddAccountNode(const Account& account);
    AccountNode* SelectedAccountNode() const;
    // Moves the focus to a control that edits nothing, so a field being edited is written.
    void CommitFocusedField();

    // Store writes: open the key without creating it, write in one transaction. False when
    // the key is gone; a refused write shows the store's message.
    bool WriteAccount(AccountNode* node, const std::function<void(SettingsKey&)>& write);
    bool WriteProduct(const std::function<void(SettingsKey&)>& write);
    bool WriteKey(const QString& path, const std::function<void(SettingsKey&)>& write);

    // Tree and panels.
    void tvAccountsChange(QTreeWidgetItem* node);
    void ShowPanel(QWidget* panel);
    void FillAccountPanel(const Account& account);
    void UpdateAuthControls();
    void UpdateActiveControls();
    void UpdateNodeLook(AccountNode* node);
    void ActivateWhenReady();
    bool AutoMode() const;
    bool PortRefused(QLineEdit* edit, const QString& stored);
    void OfferPortForSecurity(QLineEdit* edit, int index, int plainPort, int tlsPort);

    // Account fields, written by the row of the account value table that names the field.
    bool WriteAccountField(const AccountField& field, const std::function<void()>& set);
    void ExitAccountText(QLineEdit* edit, QString Account::*field);
    void ClickAccountFlag(bool checked, bool Account::*field);
    void ChooseAccountSecurity(int index, int Account::*field);
    void ExitAccountTimeout(SpinEdit* spin, int Account::*field);
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
    void chkCheckSenderClick(bool checked);
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
    void butChangeEmailClientClick();
    void butClearEmailClientClick();
    void chkAutoLoadClick(bool checked);
    void chkPreviewClick(bool checked);
    void cboPasswordStorageChange(int index);
    void ShowPasswordStorage();
    void ApplyAutomaticMode();
    void EnableAutomaticOptions();

    // GO, Abort, automatic passes and the tray.
    void butGOClick();
    void butAbortClick();
    void Timer1Timer();
    void FormActivate();
    void TrayIconClick();
    void popOpenClick();
    void popCheckEMailClick();
    void popLaunchEMailClientClick();
    void popAboutClick();
    void popExitClick();
    // One pass from the timer or the tray, with GO and Close off while it runs.
    void RunPassFromTimer();
    void RestartTimerWhileHidden();
    bool WaitingBehindTray() const;
    void HideToTray();
    void ShowMainWindow();
    // One pass or start at a time: false when one already runs. While it runs the account
    // controls stay off, so no record the engine holds can go away under it.
    bool BeginBusy();
    void EndBusy();
    // Quitting waits for the pass in progress, which is aborted.
    void RequestQuit();
    void HelpKeyPressed();

    // Contact sources and allowed senders.
    void FillSources();
    void butAddSourceFileClick();
    void butAddSourceFolderClick();
    void AddSource(const QString& path);
    void butRemoveSourceClick();
    void UpdateSourceButtons();
    void butAddAllowedClick();
    void butDeleteAllowedClick();
    void lstAllowedExit();

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

    // Learned senders.
    void FillLearnedList(AccountNode* node);
    void UpdateLearnedButtons();
    QStringList SelectedLearned() const;
    void chkRememberClick(bool checked);
    void butForgetLearnedClick();
    void butAllowLearnedClick();

    // Reply text.
    void txtSubjectExit();
    void memHeaderExit();
    void memFooterExit();

    void butCloseClick();

    SettingsStore& store_;
    UserDialogs& dialogs_;
    std::unique_ptr<ScreeningEngine> engine_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<HelpWindow> help_;
    QString helpDirectory_;
    QTimer* Timer1 = nullptr;
    QPointer<TfrmNotify> notify_;
    bool firstRun_ = false;
    // The first-run help has been shown in this run: once is enough.
    bool firstRunHelpShown_ = false;
    bool showMainWindow_ = true;
    // The product values as loaded: those without a control of their own reach the engine
    // from here.
    PassOptions loadedOptions_;
    bool started_ = false;
    bool busy_ = false;
    bool quitPending_ = false;
    // Timer1 has been given its interval by GO in automatic mode.
    bool timerArmed_ = false;
    const int minuteMs_;

    HeaderPicture* header_ = nullptr;
    QTreeWidget* tvAccounts = nullptr;
    QTreeWidgetItem* settingsNode_ = nullptr;
    QTreeWidgetItem* messageNode_ = nullptr;
    QTreeWidgetItem* statusNode_ = nullptr;
    QTreeWidgetItem* historyNode_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QShortcut* abortShortcut_ = nullptr;
    QStackedWidget* panels_ = nullptr;
    GeneralPanel* pnlGeneral = nullptr;
    MessagePanel* pnlMessage = nullptr;
    StatusPanel* pnlStatus = nullptr;
    AccountPanel* pnlAccount = nullptr;
    CodeWordsPanel* pnlCodeWords = nullptr;
    HistoryPanel* pnlHistory = nullptr;
    ImageButton* butAddAccount = nullptr;
    ImageButton* butDeleteAccount = nullptr;
    ImageButton* butGO = nullptr;
    ImageButton* butAbort = nullptr;
    ImageButton* butClose = nullptr;

    // "WAB File", the "Address Book n" paths and the "Allowed Sender n" entries as stored.
    QString wabFile_;
    QStringList addressBooks_;
    QStringList allowedSenders_;
    // Addresses a source gave when it was added here, until a pass reads it.
    QHash<QString, qsizetype> addedCounts_;

    // The account whose fields pnlAccount shows, and whose lists pnlCodeWords shows.
    AccountNode* currentAccount_ = nullptr;
    AccountNode* codeWordsAccount_ = nullptr;
};

} // namespace sievra
