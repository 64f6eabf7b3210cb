#include "TfrmMain.h"

#include "AccountNode.h"
#include "AutostartEntry.h"
#include "FieldExit.h"
#include "HeaderPicture.h"
#include "HelpWindow.h"
#include "HistoryPanel.h"
#include "MainPanels.h"
#include "TfrmNotify.h"
#include "TrayIcon.h"
#include "UserDialogs.h"
#include "engine/ScreeningEngine.h"
#include "settings/EntryRules.h"
#include "settings/PrivateFiles.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "widgets/AccessibleNames.h"
#include "widgets/DesktopIntegration.h"
#include "widgets/EditListBox.h"
#include "widgets/ImageButton.h"
#include "widgets/LineMemo.h"
#include "widgets/PasswordEdit.h"
#include "widgets/PathLabel.h"
#include "widgets/SpinEdit.h"
#include "widgets/StatusList.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sievra {

namespace {

const QSize WindowButton(96, 30);

int Level(const QTreeWidgetItem* node) {
    int level = 0;
    for (const QTreeWidgetItem* p = node->parent(); p != nullptr; p = p->parent()) {
        ++level;
    }
    return level;
}

} // namespace

TfrmMain::TfrmMain(SettingsStore& store, UserDialogs& dialogs, int minuteMs, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , dialogs_(dialogs)
    , minuteMs_(minuteMs) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Sievra"));
    engine_ = std::make_unique<ScreeningEngine>(*this, &store_);
    tray_ = std::make_unique<TrayIcon>();
    helpDirectory_ = HelpDirectory(QCoreApplication::applicationDirPath());
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    BuildWindow();
    ConnectHandlers();
    ConnectTray();
    AssignHelpContexts();
    ConnectShortcuts();
    NameControlsForAccessibility(this);
}

// The tray icon goes with the window; the help window is closed with it. Hiding first lets
// the field being edited run its exit handler while the window is still whole: QWidget's own
// destructor would move the focus only after this class is gone.
TfrmMain::~TfrmMain() {
    hide();
    tray_.reset();
    help_.reset();
}

// Creation order is Tab order: tree, Add, Delete, the panel, GO, Abort, Close.
void TfrmMain::BuildWindow() {
    header_ = new HeaderPicture(this);
    BuildTree();
    BuildAccountButtons();
    BuildPanels();
    BuildRunButtons();
    LayOutWindow();
    setMinimumSize(640, 480);
    resize(840, 580);
}

void TfrmMain::BuildTree() {
    tvAccounts = new QTreeWidget(this);
    tvAccounts->setObjectName(QStringLiteral("tvAccounts"));
    tvAccounts->setToolTip(QStringLiteral("Select an item to view or change the settings"));
    tvAccounts->setHeaderHidden(true);
    tvAccounts->setColumnCount(1);
    tvAccounts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvAccounts->setSelectionMode(QAbstractItemView::SingleSelection);
    tvAccounts->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvAccounts->setAllColumnsShowFocus(true);
    tvAccounts->setMinimumWidth(2 * WindowButton.width() + 8);
    // The selection stays as visible when the focus is in a panel.
    QPalette treePalette = tvAccounts->palette();
    treePalette.setColor(QPalette::Inactive, QPalette::Highlight,
                         treePalette.color(QPalette::Active, QPalette::Highlight));
    treePalette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         treePalette.color(QPalette::Active, QPalette::HighlightedText));
    tvAccounts->setPalette(treePalette);
    const auto topNode = [this](const QString& text, QStyle::StandardPixmap icon) {
        auto* node = new QTreeWidgetItem(tvAccounts, {text});
        node->setIcon(0, style()->standardIcon(icon));
        return node;
    };
    settingsNode_ = topNode(QStringLiteral("Settings"), QStyle::SP_FileDialogDetailedView);
    messageNode_ = topNode(QStringLiteral("Message"), QStyle::SP_FileIcon);
    statusNode_ = topNode(QStringLiteral("Status"), QStyle::SP_FileDialogInfoView);
    historyNode_ = topNode(QStringLiteral("History"), QStyle::SP_FileDialogContentsView);
}

void TfrmMain::BuildAccountButtons() {
    butAddAccount = MakeImageButton(QStringLiteral("butAddAccount"), QStringLiteral("&Add"),
                                    QStringLiteral("Add a new Account"), ButtonColour::Action,
                                    WindowButton, this);
    butDeleteAccount = MakeImageButton(
        QStringLiteral("butDeleteAccount"), QStringLiteral("&Delete"),
        QStringLiteral("Delete the selected account"), ButtonColour::Remove, WindowButton, this);
    butDeleteAccount->setEnabled(false);
}

void TfrmMain::BuildPanels() {
    panels_ = new QStackedWidget(this);
    pnlGeneral = new GeneralPanel(panels_);
    pnlMessage = new MessagePanel(panels_);
    pnlStatus = new StatusPanel(panels_);
    pnlAccount = new AccountPanel(panels_);
    pnlCodeWords = new CodeWordsPanel(panels_);
    pnlHistory = new HistoryPanel(store_, panels_);
    pnlHistory->SenderAllowed = [this](const QString& sender) {
        allowedSenders_.append(sender);
        pnlGeneral->lstAllowed->SetEntries(allowedSenders_);
    };
    pnlHistory->RestoreEntry = [this](qint64 id) {
        return engine_->RestoreMessage(id).Line;
    };
    for (QWidget* panel :
         {static_cast<QWidget*>(pnlGeneral), static_cast<QWidget*>(pnlMessage),
          static_cast<QWidget*>(pnlStatus), static_cast<QWidget*>(pnlAccount),
          static_cast<QWidget*>(pnlCodeWords), static_cast<QWidget*>(pnlHistory)}) {
        panels_->addWidget(panel);
    }
}

void TfrmMain::BuildRunButtons() {
    butGO =
        MakeImageButton(QStringLiteral("butGO"), QStringLiteral("&GO"),
                        QStringLiteral("Begin processing"), ButtonColour::Go, WindowButton, this);
    butAbort =
        MakeImageButton(QStringLiteral("butAbort"), QStringLiteral("A&bort"),
                        QStringLiteral("Stop processing"), ButtonColour::Stop, WindowButton, this);
    butAbort->setEnabled(false);
    butClose = MakeImageButton(QStringLiteral("butClose"), QStringLiteral("C&lose"),
                               QStringLiteral("Shut down Sievra"), ButtonColour::Quiet,
                               WindowButton, this);
}

void TfrmMain::LayOutWindow() {
    auto* accountButtons = new QHBoxLayout;
    accountButtons->addWidget(butAddAccount);
    accountButtons->addWidget(butDeleteAccount);
    auto* leftSide = new QWidget(this);
    auto* left = new QVBoxLayout(leftSide);
    left->setContentsMargins(0, 0, 0, 0);
    left->addWidget(tvAccounts, 1);
    left->addLayout(accountButtons);

    auto* runButtons = new QHBoxLayout;
    runButtons->addStretch();
    runButtons->addWidget(butGO);
    runButtons->addWidget(butAbort);
    runButtons->addSpacing(16);
    runButtons->addWidget(butClose);
    auto* rightSide = new QWidget(this);
    auto* right = new QVBoxLayout(rightSide);
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(panels_, 1);
    right->addLayout(runButtons);

    // The tree's width is the user's to choose; long account names need more at large fonts.
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("splMain"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(leftSide);
    splitter_->addWidget(rightSide);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({2 * WindowButton.width() + 8, 600});

    auto* body = new QHBoxLayout;
    body->setContentsMargins(10, 10, 10, 10);
    body->addWidget(splitter_, 1);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(header_);
    root->addLayout(body, 1);
}

void TfrmMain::ConnectHandlers() {
    connect(tvAccounts, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { tvAccountsChange(current); });
    connect(butAddAccount, &QAbstractButton::clicked, this, &TfrmMain::butAddAccountClick);
    connect(butDeleteAccount, &QAbstractButton::clicked, this, &TfrmMain::butDeleteAccountClick);
    connect(butGO, &QAbstractButton::clicked, this, &TfrmMain::butGOClick);
    connect(butAbort, &QAbstractButton::clicked, this, &TfrmMain::butAbortClick);
    connect(butClose, &QAbstractButton::clicked, this, &TfrmMain::butCloseClick);

    AccountPanel* a = pnlAccount;
    OnFieldExit(a->txtAccountName, [this] { txtAccountNameExit(); });
    OnFieldExit(a->txtHost, [this] { txtHostExit(); });
    OnFieldExit(a->txtUser, [this] { txtUserExit(); });
    OnFieldExit(a->txtPWD, [this] { txtPWDExit(); });
    OnFieldExit(a->txtPOP3Port, [this] { txtPOP3PortExit(); });
    OnFieldExit(a->spnPOP3TimeOut, [this] { spnPOP3TimeOutExit(); });
    OnFieldExit(a->txtSMTP, [this] { txtSMTPExit(); });
    OnFieldExit(a->txtSMTPPort, [this] { txtSMTPPortExit(); });
    OnFieldExit(a->spnSMTPTimeOut, [this] { spnSMTPTimeOutExit(); });
    OnFieldExit(a->txtEMail, [this] { txtEMailExit(); });
    OnFieldExit(a->txtDisplayName, [this] { txtDisplayNameExit(); });
    OnFieldExit(a->txtSMTPUser, [this] { txtSMTPUserExit(); });
    OnFieldExit(a->txtSMTPPWD, [this] { txtSMTPPWDExit(); });
    // clicked comes from the user only; the program's own setChecked never runs a handler.
    connect(a->chkActive, &QCheckBox::clicked, this, &TfrmMain::chkActiveClick);
    connect(a->chkSavePWD, &QCheckBox::clicked, this, &TfrmMain::chkSavePWDClick);
    connect(a->chkAUTH, &QCheckBox::clicked, this, &TfrmMain::chkAUTHClick);
    connect(a->chkCheckSender, &QCheckBox::clicked, this, &TfrmMain::chkCheckSenderClick);
    connect(a->chkUseSame, &QCheckBox::clicked, this, &TfrmMain::chkUseSameClick);
    connect(a->chkSaveSMTPPWD, &QCheckBox::clicked, this, &TfrmMain::chkSaveSMTPPWDClick);
    // activated, like clicked, comes from the user only.
    connect(a->cboPOP3Security, &QComboBox::activated, this, &TfrmMain::cboPOP3SecurityChange);
    connect(a->cboSMTPSecurity, &QComboBox::activated, this, &TfrmMain::cboSMTPSecurityChange);

    GeneralPanel* g = pnlGeneral;
    connect(g->chkAuto, &QCheckBox::clicked, this, &TfrmMain::chkAutoClick);
    connect(g->chkBeep, &QCheckBox::clicked, this, &TfrmMain::chkBeepClick);
    connect(g->chkVisual, &QCheckBox::clicked, this, &TfrmMain::chkVisualClick);
    connect(g->chkAutoLoad, &QCheckBox::clicked, this, &TfrmMain::chkAutoLoadClick);
    connect(g->chkPreview, &QCheckBox::clicked, this, &TfrmMain::chkPreviewClick);
    connect(g->cboPasswordStorage, &QComboBox::activated, this,
            &TfrmMain::cboPasswordStorageChange);
    OnFieldExit(g->spnInterval, [this] { spnIntervalExit(); });
    connect(g->butAddSourceFile, &QAbstractButton::clicked, this, &TfrmMain::butAddSourceFileClick);
    connect(g->butAddSourceFolder, &QAbstractButton::clicked, this,
            &TfrmMain::butAddSourceFolderClick);
    connect(g->butRemoveSource, &QAbstractButton::clicked, this, &TfrmMain::butRemoveSourceClick);
    connect(g->lstSources, &QListWidget::itemSelectionChanged, this,
            &TfrmMain::UpdateSourceButtons);
    connect(g->butAddAllowed, &QAbstractButton::clicked, this, &TfrmMain::butAddAllowedClick);
    connect(g->butDeleteAllowed, &QAbstractButton::clicked, this, &TfrmMain::butDeleteAllowedClick);
    connect(g->lstAllowed, &QListWidget::itemSelectionChanged, this,
            [g] { g->butDeleteAllowed->setEnabled(g->lstAllowed->SelectedIndex() >= 0); });
    connect(g->lstAllowed, &EditListBox::Exited, this, &TfrmMain::lstAllowedExit);
    connect(g->butChangeEMailClient, &QAbstractButton::clicked, this,
            &TfrmMain::butChangeEmailClientClick);
    connect(g->butClearEMailClient, &QAbstractButton::clicked, this,
            &TfrmMain::butClearEmailClientClick);

    CodeWordsPanel* c = pnlCodeWords;
    connect(c->lstCodes, &QListWidget::itemSelectionChanged, this, &TfrmMain::UpdateDeleteButtons);
    connect(c->lstHints, &QListWidget::itemSelectionChanged, this, &TfrmMain::UpdateDeleteButtons);
    connect(c->butAdd, &QAbstractButton::clicked, this, &TfrmMain::butAddClick);
    connect(c->butAddHint, &QAbstractButton::clicked, this, &TfrmMain::butAddHintClick);
    connect(c->butDelete, &QAbstractButton::clicked, this, &TfrmMain::butDeleteClick);
    connect(c->butDeleteHint, &QAbstractButton::clicked, this, &TfrmMain::butDeleteHintClick);
    connect(c->lstCodes, &EditListBox::Exited, this, &TfrmMain::lstCodesExit);
    connect(c->lstHints, &EditListBox::Exited, this, &TfrmMain::lstHintsExit);
    c->lstCodes->SetEntryCheck([](const QString& text, const QStringList& others) {
        return ListEntryProblem(text, others, QStringLiteral("code word"));
    });
    c->lstHints->SetEntryCheck([](const QString& text, const QStringList& others) {
        return ListEntryProblem(text, others, QStringLiteral("hint"));
    });
    connect(c->chkRemember, &QCheckBox::clicked, this, &TfrmMain::chkRememberClick);
    connect(c->lstLearned, &QTreeWidget::itemSelectionChanged, this,
            &TfrmMain::UpdateLearnedButtons);
    connect(c->butForgetLearned, &QAbstractButton::clicked, this, &TfrmMain::butForgetLearnedClick);
    connect(c->butAllowLearned, &QAbstractButton::clicked, this, &TfrmMain::butAllowLearnedClick);
    for (EditListBox* list : {c->lstCodes, c->lstHints}) {
        connect(list, &EditListBox::EntryRefused, this,
                [this](const QString& reason) { dialogs_.Warning(reason); });
    }

    OnFieldExit(pnlMessage->txtSubject, [this] { txtSubjectExit(); });
    OnFieldExit(pnlMessage->memHeader, [this] { memHeaderExit(); });
    OnFieldExit(pnlMessage->memFooter, [this] { memFooterExit(); });
}

bool TfrmMain::FormCreate() {
    if (!LoadSettings()) {
        dialogs_.Warning(QStringLiteral("No accounts found! Unable to initialize Sievra."));
        return false;
    }
    ApplyAutomaticMode();
    EnableAutomaticOptions();
    engine_->RefreshContacts();
    FillSources();
    if (!RestoreWindowPlace()) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    return true;
}

bool TfrmMain::LoadSettings() {
    const LoadedSettings loaded = sievra::LoadSettings(store_);
    firstRun_ = loaded.FirstRun;
    if (!loaded.Ok) {
        return false;
    }
    const GlobalSettings& g = loaded.Globals;
    pnlGeneral->chkAuto->setChecked(g.AutoRun);
    pnlGeneral->chkBeep->setChecked(g.Beep);
    pnlGeneral->chkVisual->setChecked(g.VisualAlert);
    pnlGeneral->chkAutoLoad->setChecked(g.AutoLoad);
    pnlGeneral->chkPreview->setChecked(g.PreviewOnly);
    pnlGeneral->spnInterval->SetValueQuietly(g.Interval);
    wabFile_ = g.WabFile;
    addressBooks_ = g.AddressBooks;
    allowedSenders_ = g.AllowedSenders;
    pnlGeneral->lstAllowed->SetEntries(allowedSenders_);
    FillSources();
    loadedOptions_ = PassOptions::FromGlobals(g);
    TightenFile(AutostartEntryPath()); // an older version wrote it readable by all
    pnlGeneral->lblEMailClient->SetPath(g.EmailClient);
    pnlMessage->txtSubject->setText(g.Subject);
    pnlMessage->memHeader->SetLines(g.HeaderLines);
    pnlMessage->memFooter->SetLines(g.FooterLines);
    ShowPasswordStorage();
    for (const Account& account : loaded.Accounts) {
        AddAccountNode(account);
    }
    if (!loaded.DecodeError.isEmpty()) {
        // The accounts before the undecodable one are loaded; the window still works for them.
        dialogs_.Error(loaded.DecodeError);
    }
    settingsNode_->setExpanded(true);
    tvAccounts->setCurrentItem(settingsNode_);
    tvAccountsChange(settingsNode_);
    return true;
}

void TfrmMain::Init() {
    started_ = true;
    if (pnlGeneral->chkAuto->isChecked()) {
        StartScreening();
    }
}

AccountNode* TfrmMain::AddAccountNode(const Account& account) {
    auto* node = new AccountNode(account);
    node->setIcon(0, style()->standardIcon(QStyle::SP_DriveNetIcon));
    settingsNode_->addChild(node);
    auto* codeWords = new QTreeWidgetItem(node, {QStringLiteral("Code Words")});
    codeWords->setIcon(0, style()->standardIcon(QStyle::SP_FileDialogContentsView));
    UpdateNodeLook(node);
    return node;
}

AccountNode* TfrmMain::SelectedAccountNode() const {
    return AsAccountNode(tvAccounts->currentItem());
}

QList<Account*> TfrmMain::Accounts() {
    QList<Account*> accounts;
    for (int i = 0; i < settingsNode_->childCount(); ++i) {
        if (AccountNode* node = AsAccountNode(settingsNode_->child(i))) {
            accounts.append(&node->Record);
        }
    }
    return accounts;
}

void TfrmMain::tvAccountsChange(QTreeWidgetItem* node) {
    if (node == nullptr) {
        return;
    }
    switch (Level(node)) {
    case 0:
        butDeleteAccount->setEnabled(false);
        if (node == settingsNode_) {
            ShowPanel(pnlGeneral);
        } else if (node == messageNode_) {
            ShowPanel(pnlMessage);
        } else if (node == historyNode_) {
            pnlHistory->Reload();
            ShowPanel(pnlHistory);
        } else {
            ShowPanel(pnlStatus);
        }
        break;
    case 1:
        currentAccount_ = AsAccountNode(node);
        if (currentAccount_ != nullptr) {
            FillAccountPanel(currentAccount_->Record);
        }
        ShowPanel(pnlAccount);
        butDeleteAccount->setEnabled(true);
        UpdateAuthControls();
        break;
    default:
        FillCodeWordLists(AsAccountNode(node->parent()));
        ShowPanel(pnlCodeWords);
        butDeleteAccount->setEnabled(false);
        break;
    }
}

void TfrmMain::ShowPanel(QWidget* panel) {
    panels_->setCurrentWidget(panel);
}

void TfrmMain::SelectStatusNode() {
    tvAccounts->setCurrentItem(statusNode_);
}

bool TfrmMain::SelectedNodeIsAccount() const {
    return SelectedAccountNode() != nullptr;
}

void TfrmMain::SetGoEnabled(bool enabled) {
    butGO->setEnabled(enabled);
}
void TfrmMain::SetCloseEnabled(bool enabled) {
    butClose->setEnabled(enabled);
}
void TfrmMain::SetAbortEnabled(bool enabled) {
    butAbort->setEnabled(enabled);
    abortShortcut_->setEnabled(enabled);
}
void TfrmMain::SetAddAccountEnabled(bool enabled) {
    butAddAccount->setEnabled(enabled);
}
void TfrmMain::SetDeleteAccountEnabled(bool enabled) {
    butDeleteAccount->setEnabled(enabled);
}
void TfrmMain::SetTreeEnabled(bool enabled) {
    tvAccounts->setEnabled(enabled);
}

void TfrmMain::CommitFocusedField() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || !isAncestorOf(focus)) {
        return;
    }
    if (tvAccounts->isEnabled() && tvAccounts->isVisible()) {
        tvAccounts->setFocus(Qt::OtherFocusReason);
    } else {
        setFocus(Qt::OtherFocusReason);
    }
}

bool TfrmMain::WriteAccount(AccountNode* node, const std::function<void(SettingsKey&)>& write) {
    return node != nullptr && WriteKey(AccountKeyPath(node->Record.KeyName), write);
}

bool TfrmMain::WriteProduct(const std::function<void(SettingsKey&)>& write) {
    return WriteKey(ProductKey, write);
}

// One transaction on an existing key; false when the key is gone or the store refused.
bool TfrmMain::WriteKey(const QString& path, const std::function<void(SettingsKey&)>& write) {
    bool opened = false;
    try {
        store_.InTransaction([&] {
            auto key = store_.OpenKey(path);
            if (key) {
                opened = true;
                write(*key);
            }
        });
    } catch (const StoreError& error) {
        dialogs_.Error(error.Message());
        return false;
    }
    return opened;
}

void TfrmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
    }
}

// Closing the window ends the program, as Close does; while a pass runs the end waits for it.
void TfrmMain::closeEvent(QCloseEvent* event) {
    CommitFocusedField();
    SaveWindowPlace();
    if (help_) {
        help_->close();
    }
    if (busy_) {
        event->ignore();
    } else {
        event->accept();
    }
    RequestQuit();
}

void TfrmMain::butCloseClick() {
    CommitFocusedField();
    SaveWindowPlace();
    RequestQuit();
}

} // namespace sievra
