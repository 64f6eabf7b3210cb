#include "TfrmWizard.h"

#include "AccountDiscovery.h"
#include "CodeWordMemo.h"
#include "ContactListDelegate.h"
#include "ContactPreview.h"
#include "ExistingSettings.h"
#include "InitialSettings.h"
#include "WizardPrompts.h"
#include "addressbook/ContactDiscovery.h"
#include "settings/Account.h"
#include "settings/EntryRules.h"
#include "settings/GlobalSettings.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "widgets/AccessibleNames.h"
#include "widgets/PathLabel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStandardPaths>

namespace sievra {

namespace {

constexpr int LastPage = 8;
constexpr int SavePage = 9;

const QString NoAddressBookMessage =
    QStringLiteral("You must select an address book that holds at least one contact!");
constexpr int PathRole = Qt::UserRole;
const QString NoAccountMessage = QStringLiteral("You must select at least one account!");
const QString NoCodeWordsQuestion =
    QStringLiteral("Are you sure you don't want to use code words? Without them, only messages "
                   "from senders in your address book will be accepted.");
const QString CancelQuestion =
    QStringLiteral("Sievra cannot run until this wizard has initialized the settings!\n"
                   "Are you sure you want to cancel?");
const QString MainProgramMissing =
    QStringLiteral("Sievra.exe not found! Unable to initialize Sievra.");

QString FlagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

TfrmWizard::TfrmWizard(WizardEnvironment environment, QWidget* parent)
    : QDialog(parent)
    , env_(std::move(environment)) {
    setObjectName(QStringLiteral("TfrmWizard"));
    setWindowTitle(QStringLiteral("Sievra Configuration Wizard"));
    // No close, minimise or maximise box: Cancel and Save are the only ways out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    if (env_.Home.isEmpty()) {
        env_.Home = QDir::homePath();
    }
    if (env_.ProgramDir.isEmpty()) {
        env_.ProgramDir = QCoreApplication::applicationDirPath();
    }
    prompts_ = env_.Prompts ? env_.Prompts : std::make_shared<DialogPrompts>(this);

    c_ = BuildWizardPages(this);
    // Resizable, so larger fonts and scales find room.
    setSizeGripEnabled(true);

    connect(c_.butNext, &QPushButton::clicked, this, &TfrmWizard::butNextClick);
    connect(c_.butPrevious, &QPushButton::clicked, this, &TfrmWizard::butPreviousClick);
    connect(c_.butCancel, &QPushButton::clicked, this, &TfrmWizard::butCancelClick);
    connect(c_.butAddFile, &QPushButton::clicked, this, &TfrmWizard::butAddFileClick);
    connect(c_.butAddFolder, &QPushButton::clicked, this, &TfrmWizard::butAddFolderClick);
    connect(c_.butRemove, &QPushButton::clicked, this, &TfrmWizard::butRemoveClick);
    connect(c_.lstSources, &QListWidget::itemChanged, this, &TfrmWizard::LoadEmails);
    connect(c_.butChangeEMailClient, &QPushButton::clicked, this,
            &TfrmWizard::butChangeEMailClientClick);
    connect(c_.lstAccounts, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        accounts_[c_.lstAccounts->row(item)].Checked = item->checkState() == Qt::Checked;
    });
    ConnectAccountFields();
    NameControlsForAccessibility(this);

    FindContactSources();
    FindMailClient();
    DiscoverAccounts();
    if (existing_.Found) {
        c_.lblExisting->show();
        AddStoredSources();
        if (!existing_.EmailClient.isEmpty()) {
            c_.lblEMailClient->SetPath(existing_.EmailClient);
        }
    }
    UpdateSmtpEnabling();
    ShowPage();
}

// A run over existing settings starts from them (read only: nothing is written before Save).
// A store that cannot be read is left to Save to report.
void TfrmWizard::MergeStoredSettings() {
    if (!QFileInfo::exists(SettingsStore::DefaultPath())) {
        return;
    }
    try {
        SettingsStore store;
        existing_ = MergeExistingSettings(store, accounts_);
    } catch (const StoreError&) {
        existing_ = {};
    }
}

TfrmWizard::~TfrmWizard() = default;

// The sources the settings name stay on page 2, checked, beside those found on this machine.
void TfrmWizard::AddStoredSources() {
    QStringList stored = existing_.AddressBooks;
    if (!existing_.WabFile.isEmpty()) {
        stored.prepend(existing_.WabFile);
    }
    {
        const QSignalBlocker quiet(c_.lstSources);
        for (const QString& path : stored) {
            bool listed = false;
            for (int i = 0; i < c_.lstSources->count() && !listed; ++i) {
                listed = c_.lstSources->item(i)->data(PathRole).toString() == path;
            }
            if (!listed) {
                AddSourceItem(path, QFileInfo(path).fileName());
            }
        }
    }
    LoadEmails();
}

QStringList TfrmWizard::CheckedSources() const {
    QStringList paths;
    for (int i = 0; i < c_.lstSources->count(); ++i) {
        const QListWidgetItem* item = c_.lstSources->item(i);
        if (item->checkState() == Qt::Checked) {
            paths.append(item->data(PathRole).toString());
        }
    }
    return paths;
}

QString TfrmWizard::AddressBookPath() const {
    for (const QString& path : CheckedSources()) {
        QString ignored;
        if (!unreadable_.contains(path) && DetectSourceKind(path, ignored) == SourceKind::WabFile) {
            return path;
        }
    }
    return QString();
}

// Everything found is checked: contacts the user keeps anywhere are contacts.
void TfrmWizard::FindContactSources() {
    const QString dataHome =
        !env_.DataHome.isEmpty()
            ? env_.DataHome
            : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QSignalBlocker quiet(c_.lstSources);
    for (const FoundSource& found : DiscoverContactSources({env_.Home, dataHome})) {
        AddSourceItem(found.Path, found.Label);
    }
    LoadEmails();
}

void TfrmWizard::AddSourceItem(const QString& path, const QString& label) {
    auto* item = new QListWidgetItem(label);
    item->setData(PathRole, path);
    item->setToolTip(QDir::toNativeSeparators(path));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    c_.lstSources->addItem(item);
}

QString TfrmWizard::MailClientPath() const {
    return c_.lblEMailClient->Path();
}

void TfrmWizard::FindMailClient() {
    c_.lblEMailClient->SetPath(sievra::FindMailClient(env_.Run, env_.Home));
}

void TfrmWizard::DiscoverAccounts() {
    sievra::DiscoverAccounts(env_.Home, accounts_);
    MergeStoredSettings();
    for (const WizardAccount& account : accounts_) {
        auto* item = new QListWidgetItem(account.AccountName);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(account.Checked ? Qt::Checked : Qt::Unchecked);
        c_.lstAccounts->addItem(item);
    }
}

void TfrmWizard::LoadEmails() {
    c_.lstContacts->clear();
    QStringList lines;
    const QStringList checked = CheckedSources();
    sources_.KeepOnly(checked);
    unreadable_.clear();
    const QSignalBlocker quiet(c_.lstSources); // tooltips are item changes too
    for (int i = 0; i < c_.lstSources->count(); ++i) {
        QListWidgetItem* item = c_.lstSources->item(i);
        const QString path = item->data(PathRole).toString();
        QString tip = QDir::toNativeSeparators(path);
        if (item->checkState() == Qt::Checked) {
            bool reused = false;
            const SourceContacts& source = sources_.Load(path, false, reused);
            lines.append(SourceContactLines(source));
            if (!source.Ok()) {
                // Saved, it would stop every pass; so it is shown and left out.
                unreadable_.append(path);
                tip += QStringLiteral("\nCannot be read: ") + source.Error;
            }
        }
        item->setToolTip(tip);
    }
    if (auto* delegate = qobject_cast<ContactListDelegate*>(c_.lstContacts->itemDelegate())) {
        delegate->FitNames(lines, c_.lstContacts->fontMetrics());
    }
    c_.lstContacts->addItems(lines);
    // Long names and sources are cut short in a narrow list; the whole line stays at hand.
    for (int i = 0; i < c_.lstContacts->count(); ++i) {
        QListWidgetItem* item = c_.lstContacts->item(i);
        item->setToolTip(item->text().replace(QLatin1Char('\t'), QStringLiteral("   ")));
    }
}

// --- the account loop over pages 5 to 7 ---

void TfrmWizard::NextCheckedAccount() {
    do {
        ++currentAccount_;
    } while (currentAccount_ < accounts_.Count() && !accounts_[currentAccount_].Checked);
}

void TfrmWizard::LastCheckedAccount() {
    currentAccount_ = accounts_.Count() - 1;
    while (currentAccount_ >= 0 && !accounts_[currentAccount_].Checked) {
        --currentAccount_;
    }
}

void TfrmWizard::PreviousCheckedAccount() {
    do {
        --currentAccount_;
    } while (currentAccount_ >= 0 && !accounts_[currentAccount_].Checked);
}

bool TfrmWizard::HasCurrentAccount() const {
    return currentAccount_ >= 0 && currentAccount_ < accounts_.Count();
}

WizardAccount& TfrmWizard::Current() {
    return accounts_[currentAccount_];
}

void TfrmWizard::StoreCodeWordMemos() {
    if (!HasCurrentAccount()) {
        return;
    }
    Current().CodeWords = JoinMemoLines(c_.memCodeWords->toPlainText());
    Current().Hints = JoinMemoLines(c_.memHints->toPlainText());
    Current().RememberCodeWordSenders = c_.chkRemember->isChecked();
}

// --- pages ---

void TfrmWizard::ShowPage() {
    if (currentPage_ == SavePage) {
        currentPage_ = LastPage;
        Save();
        return;
    }
    if (currentPage_ == 5) {
        FillAccountPage();
    } else if (currentPage_ == 7) {
        FillOptionsPage();
    }
    c_.Pages->setCurrentIndex(currentPage_ - 1);
    c_.butPrevious->setVisible(currentPage_ != 1);
    c_.butNext->setText(currentPage_ == LastPage ? QStringLiteral("&Save")
                                                 : QStringLiteral("&Next >"));
    UpdateNextButton();
}

// Page 5 goes on only with what screening needs: Next stays off, and the page says what is
// missing, until the POP3 server and user are there and both ports are ports.
void TfrmWizard::UpdateNextButton() {
    QStringList missing;
    if (currentPage_ == 5 && HasCurrentAccount()) {
        const WizardAccount& a = Current();
        if (a.Pop3Server.trimmed().isEmpty()) {
            missing.append(QStringLiteral("the POP3 host server"));
        }
        if (a.Pop3User.trimmed().isEmpty()) {
            missing.append(QStringLiteral("the user ID"));
        }
        for (const QString& port : {a.Pop3Port, a.SmtpPort}) {
            if (!IsValidPortText(port)) {
                missing.append(QStringLiteral("a port from 1 to 65535 or a service name instead "
                                              "of \"%1\"")
                                   .arg(port));
            }
        }
    }
    c_.butNext->setEnabled(missing.isEmpty());
    c_.lblMissing->setText(missing.isEmpty()
                               ? QString()
                               : QStringLiteral("Still needed before Next: ") +
                                     missing.join(QStringLiteral(", ")) + QLatin1Char('.'));
    c_.lblMissing->setVisible(!missing.isEmpty());
}

void TfrmWizard::FillAccountPage() {
    if (!HasCurrentAccount()) {
        return;
    }
    const WizardAccount& a = Current();
    // setText and setChecked are not user edits: textEdited and clicked stay silent.
    c_.txtHost->setText(a.Pop3Server);
    c_.txtPOP3Port->setText(a.Pop3Port);
    c_.txtUser->setText(a.Pop3User);
    c_.txtPWD->setText(a.Pop3Password);
    c_.txtSMTP->setText(a.SmtpServer);
    c_.txtSMTPPort->setText(a.SmtpPort);
    c_.txtEMail->setText(a.SmtpAddress);
    c_.txtDisplayName->setText(a.SmtpDisplayName);
    c_.chkUseSame->setChecked(a.UsePop3Login == QLatin1String("1"));
    c_.chkAUTH->setChecked(a.RequiresAuth == QLatin1String("1"));
    c_.chkCheckSender->setChecked(a.CheckSenderAuthentication != QLatin1String("0"));
    c_.txtSMTPUser->setText(a.SmtpUser);
    c_.txtSMTPPWD->setText(a.SmtpPassword);
    ShowSecurity();
    c_.lblSettings->setText(QStringLiteral("Account Settings (") + a.AccountName +
                            QLatin1Char(')'));
}

void TfrmWizard::FillOptionsPage() {
    if (!HasCurrentAccount()) {
        return;
    }
    const WizardAccount& a = Current();
    c_.lblOptions->setText(QStringLiteral("Account Options (") + a.AccountName + QLatin1Char(')'));
    c_.memCodeWords->setPlainText(MemoTextOfJoined(a.CodeWords));
    c_.memHints->setPlainText(MemoTextOfJoined(a.Hints));
    c_.chkRemember->setChecked(a.RememberCodeWordSenders);
}

// What the account will be written with: a choice of the user's or of discovery, else what
// its port stands for, so the boxes follow a port typed on this page until one is chosen.
void TfrmWizard::ShowSecurity() {
    if (!HasCurrentAccount()) {
        return;
    }
    const WizardAccount& a = Current();
    c_.cboPOP3Security->setCurrentIndex(EffectiveSecurity(a.Pop3Security, a.Pop3Port, Pop3TlsPort));
    c_.cboSMTPSecurity->setCurrentIndex(EffectiveSecurity(a.SmtpSecurity, a.SmtpPort, SmtpTlsPort));
}

void TfrmWizard::UpdateSmtpEnabling() {
    c_.chkUseSame->setEnabled(c_.chkAUTH->isChecked());
    const bool ownLogin = c_.chkUseSame->isEnabled() && !c_.chkUseSame->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{c_.txtSMTPUser, c_.txtSMTPPWD, c_.lblUser, c_.lblPWD}) {
        w->setEnabled(ownLogin);
    }
}

void TfrmWizard::ConnectField(QLineEdit* field, QString WizardAccount::*member) {
    // Stored as the user types, untrimmed and unchecked; filling the page is no edit.
    connect(field, &QLineEdit::textEdited, this, [this, member](const QString& text) {
        if (HasCurrentAccount()) {
            Current().*member = text;
        }
        UpdateNextButton();
    });
}

void TfrmWizard::ConnectAccountFields() {
    ConnectField(c_.txtHost, &WizardAccount::Pop3Server);
    ConnectField(c_.txtPOP3Port, &WizardAccount::Pop3Port);
    ConnectField(c_.txtUser, &WizardAccount::Pop3User);
    ConnectField(c_.txtPWD, &WizardAccount::Pop3Password);
    ConnectField(c_.txtSMTP, &WizardAccount::SmtpServer);
    ConnectField(c_.txtSMTPPort, &WizardAccount::SmtpPort);
    ConnectField(c_.txtEMail, &WizardAccount::SmtpAddress);
    ConnectField(c_.txtDisplayName, &WizardAccount::SmtpDisplayName);
    ConnectField(c_.txtSMTPUser, &WizardAccount::SmtpUser);
    ConnectField(c_.txtSMTPPWD, &WizardAccount::SmtpPassword);
    // clicked comes from the user only; toggled also from filling the page.
    connect(c_.chkAUTH, &QCheckBox::clicked, this, [this](bool on) {
        if (HasCurrentAccount()) {
            Current().RequiresAuth = FlagText(on);
        }
    });
    connect(c_.chkCheckSender, &QCheckBox::clicked, this, [this](bool on) {
        if (HasCurrentAccount()) {
            Current().CheckSenderAuthentication = FlagText(on);
        }
    });
    connect(c_.chkUseSame, &QCheckBox::clicked, this, [this](bool on) {
        if (HasCurrentAccount()) {
            Current().UsePop3Login = FlagText(on);
        }
    });
    // activated comes from the user only; the ports' handlers above run first.
    // TLS on the plain port moves to the TLS port, and back.
    connect(c_.cboPOP3Security, &QComboBox::activated, this, [this](int index) {
        if (HasCurrentAccount()) {
            Current().Pop3Security = QString::number(index);
            Current().Pop3Port =
                PortForSecurity(Current().Pop3Port, index == SecurityValue::Tls, 110, Pop3TlsPort);
            c_.txtPOP3Port->setText(Current().Pop3Port);
        }
    });
    connect(c_.cboSMTPSecurity, &QComboBox::activated, this, [this](int index) {
        if (HasCurrentAccount()) {
            Current().SmtpSecurity = QString::number(index);
            Current().SmtpPort =
                PortForSecurity(Current().SmtpPort, index == SecurityValue::Tls, 25, SmtpTlsPort);
            c_.txtSMTPPort->setText(Current().SmtpPort);
        }
    });
    connect(c_.txtPOP3Port, &QLineEdit::textEdited, this, &TfrmWizard::ShowSecurity);
    connect(c_.txtSMTPPort, &QLineEdit::textEdited, this, &TfrmWizard::ShowSecurity);
    connect(c_.chkAUTH, &QCheckBox::toggled, this, &TfrmWizard::UpdateSmtpEnabling);
    connect(c_.chkUseSame, &QCheckBox::toggled, this, &TfrmWizard::UpdateSmtpEnabling);
}

// --- buttons ---

void TfrmWizard::butNextClick() {
    switch (currentPage_) {
    case 2:
        if (c_.lstContacts->count() == 0) {
            prompts_->Warning(NoAddressBookMessage);
            return;
        }
        break;
    case 4:
        currentAccount_ = -1;
        NextCheckedAccount();
        if (!HasCurrentAccount()) {
            prompts_->Warning(NoAccountMessage);
            return;
        }
        break;
    case 7:
        if (!MemosAcceptable()) {
            return;
        }
        if (MemoLines(c_.memCodeWords->toPlainText()).isEmpty() &&
            !prompts_->Confirm(NoCodeWordsQuestion)) {
            return;
        }
        StoreCodeWordMemos();
        NextCheckedAccount();
        if (HasCurrentAccount()) {
            currentPage_ = 5;
        } else {
            LastCheckedAccount();
            currentPage_ = LastPage;
        }
        ShowPage();
        return;
    default:
        break;
    }
    ++currentPage_;
    ShowPage();
}

void TfrmWizard::butPreviousClick() {
    switch (currentPage_) {
    case 7:
        if (!MemosAcceptable()) {
            return;
        }
        StoreCodeWordMemos();
        currentPage_ = 6;
        break;
    case 8:
        LastCheckedAccount();
        currentPage_ = 7;
        break;
    case 5:
        PreviousCheckedAccount();
        if (currentAccount_ >= 0) {
            currentPage_ = 7;
        } else {
            currentAccount_ = -1;
            NextCheckedAccount();
            currentPage_ = 4;
        }
        break;
    case 1:
        return;
    default:
        --currentPage_;
        break;
    }
    ShowPage();
}

// A "|" would split an entry when the list is read back; a duplicate screens nothing new.
bool TfrmWizard::MemosAcceptable() {
    QString problem = MemoProblem(c_.memCodeWords->toPlainText(), QStringLiteral("code word"));
    if (problem.isEmpty()) {
        problem = MemoProblem(c_.memHints->toPlainText(), QStringLiteral("hint"));
    }
    if (!problem.isEmpty()) {
        prompts_->Warning(problem);
    }
    return problem.isEmpty();
}

void TfrmWizard::butCancelClick() {
    if (prompts_->WarningYesNo(CancelQuestion)) {
        Finish(QDialog::Rejected);
    }
}

void TfrmWizard::butAddFileClick() {
    AddChosenSource(prompts_->ChooseFile(
        QStringLiteral("Add Address Book"), env_.Home,
        QStringLiteral("Address books (*.vcf *.vcard *.sqlite *.db *.wab *.WAB);;All files (*)")));
}

void TfrmWizard::butAddFolderClick() {
    AddChosenSource(prompts_->ChooseFolder(QStringLiteral("Add Folder of vCards"), env_.Home));
}

// A choice that is no address book is refused with its reason, so page 2 never lists a
// source that would stop every pass.
void TfrmWizard::AddChosenSource(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    for (int i = 0; i < c_.lstSources->count(); ++i) {
        if (c_.lstSources->item(i)->data(PathRole).toString() == path) {
            const QSignalBlocker quiet(c_.lstSources);
            c_.lstSources->item(i)->setCheckState(Qt::Checked);
            LoadEmails(); // the file may have changed since it was added
            return;
        }
    }
    bool reused = false;
    const SourceContacts& source = sources_.Load(path, false, reused);
    if (!source.Ok()) {
        prompts_->Warning(QStringLiteral("Unable to read address book ") + path +
                          QStringLiteral(": ") + source.Error);
        return;
    }
    {
        const QSignalBlocker quiet(c_.lstSources);
        AddSourceItem(path, source.Label);
    }
    LoadEmails();
}

void TfrmWizard::butRemoveClick() {
    delete c_.lstSources->takeItem(c_.lstSources->currentRow());
    LoadEmails();
}

void TfrmWizard::butChangeEMailClientClick() {
    const QString shown = MailClientPath();
    const QString folder = shown.isEmpty() ? QDir::homePath() : QFileInfo(shown).absolutePath();
    const QString chosen = prompts_->ChooseFile(QStringLiteral("EMail Client Executable File"),
                                                folder, QStringLiteral("Programs (*)"));
    if (!chosen.isEmpty()) {
        c_.lblEMailClient->SetPath(chosen);
    }
}

// --- saving and closing ---

void TfrmWizard::Save() {
    try {
        SettingsStore store;
        const QString wabFile = AddressBookPath();
        QStringList others = CheckedSources();
        others.removeAll(wabFile);
        for (const QString& path : unreadable_) {
            others.removeAll(path);
        }
        store.InTransaction([&] {
            if (existing_.Found) {
                WriteChangedSettings(store, accounts_, existing_, wabFile, MailClientPath(),
                                     others);
            } else {
                WriteInitialSettings(store, accounts_, wabFile, MailClientPath(), others);
            }
            store.OpenKey(ProductKey, true)
                ->WriteFlag(GlobalValue::PreviewOnly, c_.chkPreview->isChecked());
        });
    } catch (const StoreError& error) {
        // Nothing was written; the user may mend the file and press Save again.
        prompts_->Error(error.Message());
        return;
    }
    StartMainProgram();
    Finish(QDialog::Accepted);
}

void TfrmWizard::StartMainProgram() {
    const QString path = QDir(env_.ProgramDir).filePath(QStringLiteral("sievra"));
    if (QFileInfo(path).isFile()) {
        QProcess::startDetached(path, {});
    } else {
        prompts_->Warning(MainProgramMissing);
    }
}

void TfrmWizard::Finish(int result) {
    finishing_ = true;
    done(result);
}

void TfrmWizard::reject() {
    butCancelClick();
}

void TfrmWizard::closeEvent(QCloseEvent* event) {
    if (finishing_) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    butCancelClick();
}

} // namespace sievra
