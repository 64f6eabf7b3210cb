#pragma once

#include "ExistingSettings.h"
#include "MailClientDiscovery.h"
#include "WizardAccount.h"
#include "WizardControls.h"
#include "addressbook/SourceCache.h"

#include <QDialog>
#include <memory>

namespace sievra {

class WizardPrompts;

// What the wizard reads from and starts on this computer; tests point it elsewhere.
struct WizardEnvironment {
    // The home folder in which Thunderbird's profiles are looked for; QDir::homePath() when
    // empty.
    QString Home;
    // The XDG data folder in which Evolution's and KDE's contacts are looked for; the
    // user's own when empty.
    QString DataHome;
    // Runs xdg-mime to find the mail client.
    CommandRunner Run = RunSystemCommand;
    // Message boxes and file dialogs when empty.
    std::shared_ptr<WizardPrompts> Prompts;
    // The folder that holds the program "sievra"; the wizard's own folder when empty.
    QString ProgramDir;
};

// The configuration wizard: eight pages that collect the address book, the mail client and
// the accounts, then write the first settings and start Sievra. Nothing is written before
// Save.
class TfrmWizard : public QDialog {
    Q_OBJECT
public:
    explicit TfrmWizard(WizardEnvironment environment = {}, QWidget* parent = nullptr);
    ~TfrmWizard() override;

    int CurrentPage() const { return currentPage_; }
    int CurrentAccount() const { return currentAccount_; }
    const AccountList& Accounts() const { return accounts_; }
    const WizardControls& Controls() const { return c_; }
    // The checked address book file, saved as "WAB File"; "" when none is checked.
    QString AddressBookPath() const;
    // Every checked source, in list order.
    QStringList CheckedSources() const;
    QString MailClientPath() const;

    // Refills the contact list from the checked sources: each contact with its source.
    void LoadEmails();

    void NextCheckedAccount();
    void LastCheckedAccount();
    void PreviousCheckedAccount();
    void StoreCodeWordMemos();

    void butNextClick();
    void butPreviousClick();
    void butCancelClick();
    void butAddFileClick();
    void butAddFolderClick();
    void butRemoveClick();
    void butChangeEMailClientClick();

protected:
    // Escape and the window manager's close both ask the cancel question.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FindContactSources();
    void AddSourceItem(const QString& path, const QString& label);
    void AddStoredSources();
    void AddChosenSource(const QString& path);
    void FindMailClient();
    void DiscoverAccounts();
    void MergeStoredSettings();
    void ShowPage();
    void FillAccountPage();
    void FillOptionsPage();
    void UpdateSmtpEnabling();
    void UpdateNextButton();
    bool MemosAcceptable();
    void ShowSecurity();
    void ConnectAccountFields();
    void ConnectField(QLineEdit* field, QString WizardAccount::*member);
    bool HasCurrentAccount() const;
    WizardAccount& Current();
    void Save();
    void StartMainProgram();
    void Finish(int result);

    WizardEnvironment env_;
    std::shared_ptr<WizardPrompts> prompts_;
    WizardControls c_;
    AccountList accounts_;
    // Sources are read again only when their files change, so checking boxes stays quick.
    SourceCache sources_;
    // Checked sources that could not be read at the last refill; Save leaves them out.
    QStringList unreadable_;
    int currentPage_ = 1;
    int currentAccount_ = 0;
    bool finishing_ = false;
    // The settings this run started from, when there were any.
    ExistingSettings existing_;
};

} // namespace sievra
