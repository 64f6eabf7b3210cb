#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/support/ContactBooks.h"
#include "tests/support/TestHome.h"
#include "tests/wizard/AddressBookWriter.h"
#include "tests/wizard/QtPrinters.h"
#include "tests/wizard/RecordingPrompts.h"
#include "tests/wizard/ThunderbirdHome.h"
#include "widgets/PathLabel.h"
#include "wizard/TfrmWizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace sievra;
using namespace sievra::test;

namespace {

const QString NoBook = "Warning: You must select an address book that holds at least one contact!";
const QString NoAccount = "Warning: You must select at least one account!";
const QString NoCodeWords =
    "Confirm: Are you sure you don't want to use code words? Without them, only messages from "
    "senders in your address book will be accepted.";
const QString CancelQuestion = "Warning?: Sievra cannot run until this wizard has initialized "
                               "the settings!\nAre you sure you want to cancel?";

class WizardWindowTest : public testing::Test {
protected:
    // Three POP3 accounts A, B and C in Thunderbird, A the default.
    void ThreeAccounts() {
        QStringList prefs{Pref("mail.accountmanager.accounts", "account1,account2,account3"),
                          Pref("mail.accountmanager.defaultaccount", "account1")};
        prefs += AccountPrefs(1, "pop3", "A", "pop.a.example", "anna", "smtp1");
        prefs += AccountPrefs(2, "pop3", "B", "pop.b.example", "bert", "smtp2");
        prefs += AccountPrefs(3, "pop3", "C", "pop.c.example", "carl", "smtp1");
        prefs += SmtpPrefs("smtp1", "smtp.a.example", 587, "anna", 3);
        prefs += SmtpPrefs("smtp2", "smtp.b.example", 0, "", 1);
        tb.WriteProfile(prefs);
    }
    void Open() {
        WizardEnvironment env;
        env.Home = tb.Path();
        env.Run = [this](const QString&, const QStringList&) {
            return mailto;
        };
        env.Prompts = prompts;
        env.ProgramDir = programDir.path();
        wizard = std::make_unique<TfrmWizard>(env);
        wizard->show();
        c = &wizard->Controls();
    }
    QString Book(const QList<BookRecord>& records) {
        return home.WriteFile("books/contacts.wab", BuildAddressBook(records));
    }
    void Next() { QTest::mouseClick(c->butNext, Qt::LeftButton); }
    void Previous() { QTest::mouseClick(c->butPrevious, Qt::LeftButton); }
    // From page 1 to page 4 with a valid address book chosen.
    void ToAccountsPage() {
        Next();
        prompts->ChosenFile = Book({{"friend@example.org", QStringLiteral("Friend")}});
        QTest::mouseClick(c->butAddFile, Qt::LeftButton);
        Next();
        Next();
        ASSERT_EQ(wizard->CurrentPage(), 4);
        prompts->Take();
    }
    void Check(int row, bool on) {
        c->lstAccounts->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    // Where the wizard stands: page and, on pages 5 to 8, the account's name.
    QString Where() {
        const int page = wizard->CurrentPage();
        EXPECT_EQ(c->Pages->currentWidget(), c->pnlPage[static_cast<size_t>(page - 1)]);
        if (page < 5) {
            return QString::number(page);
        }
        return QString::number(page) + wizard->Accounts()[wizard->CurrentAccount()].AccountName;
    }
    void TypeInto(QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClicks(field, text);
    }
    void PassCodeWordsPage(const QString& words = QStringLiteral("word")) {
        c->memCodeWords->setPlainText(words);
        Next();
    }

    TestHome home;
    ThunderbirdHome tb;
    QTemporaryDir programDir;
    std::optional<QString> mailto;
    std::shared_ptr<RecordingPrompts> prompts = std::make_shared<RecordingPrompts>();
    std::unique_ptr<TfrmWizard> wizard;
    const WizardControls* c = nullptr;
};

TEST_F(WizardWindowTest, ThreeAccountsNextAndPrevious) {
    ThreeAccounts();
    Open();
    EXPECT_EQ(wizard->windowTitle(), "Sievra Configuration Wizard");
    EXPECT_EQ(Where(), "1");
    EXPECT_FALSE(c->butPrevious->isVisible());
    ASSERT_NO_FATAL_FAILURE(ToAccountsPage());
    EXPECT_TRUE(c->butPrevious->isVisible());
    ASSERT_EQ(c->lstAccounts->count(), 13);
    EXPECT_EQ(c->lstAccounts->item(0)->text(), "A");

    QStringList forward{Where()};
    for (int step = 0; step < 10 && wizard->CurrentPage() != 8; ++step) {
        if (wizard->CurrentPage() == 7) {
            EXPECT_TRUE(c->chkRemember->isChecked()) << "each account starts remembering";
            if (wizard->CurrentAccount() == 1) {
                c->chkRemember->click();
            }
            PassCodeWordsPage();
        } else {
            Next();
        }
        forward.append(Where());
    }
    EXPECT_EQ(forward,
              QStringList({"4", "5A", "6A", "7A", "5B", "6B", "7B", "5C", "6C", "7C", "8C"}));
    EXPECT_EQ(c->butNext->text(), "&Save");
    EXPECT_EQ(c->lblSettings->text(), "Account Settings (C)");
    EXPECT_FALSE(wizard->Accounts()[1].RememberCodeWordSenders);
    EXPECT_TRUE(wizard->Accounts()[2].RememberCodeWordSenders);
    EXPECT_TRUE(prompts->Take().filter("Confirm").isEmpty());

    QStringList backward{Where()};
    for (int step = 0; step < 12 && wizard->CurrentPage() != 4; ++step) {
        Previous();
        backward.append(Where());
    }
    EXPECT_EQ(backward,
              QStringList({"8C", "7C", "6C", "5C", "7B", "6B", "5B", "7A", "6A", "5A", "4"}));
    EXPECT_EQ(wizard->CurrentAccount(), 0) << "the first checked account";
    EXPECT_EQ(c->butNext->text(), "&Next >");
    EXPECT_EQ(c->lblOptions->text(), "Account Options (A)");

    // An account unchecked on page 4 is passed over.
    Check(1, false);
    QStringList skipping{Where()};
    for (int step = 0; step < 12 && wizard->CurrentPage() != 8; ++step) {
        wizard->CurrentPage() == 7 ? PassCodeWordsPage() : Next();
        skipping.append(Where());
    }
    EXPECT_EQ(skipping, QStringList({"4", "5A", "6A", "7A", "5C", "6C", "7C", "8C"}));
}

TEST_F(WizardWindowTest, ValidationMessagesKeepThePage) {
    ThreeAccounts();
    Open();
    Next();
    Next();
    EXPECT_EQ(prompts->Take(), QStringList({NoBook}));
    EXPECT_EQ(Where(), "2");

    // A book whose records hold no valid address lists nothing and is refused too.
    prompts->ChosenFile = Book({{"nobody", QStringLiteral("No Body")}, {"@x.org", {}}});
    QTest::mouseClick(c->butAddFile, Qt::LeftButton);
    EXPECT_EQ(c->lstContacts->count(), 0);
    prompts->Take();
    Next();
    EXPECT_EQ(prompts->Take(), QStringList({NoBook}));
    EXPECT_EQ(Where(), "2");

    prompts->ChosenFile = Book({{"friend@example.org", QStringLiteral("Friend")}});
    QTest::mouseClick(c->butAddFile, Qt::LeftButton);
    Next();
    Next();
    for (int row = 0; row < 3; ++row) {
        Check(row, false);
    }
    prompts->Take();
    Next();
    EXPECT_EQ(prompts->Take(), QStringList({NoAccount}));
    EXPECT_EQ(Where(), "4");

    Check(2, true);
    Next();
    Next();
    Next();
    EXPECT_EQ(Where(), "7C");
    c->memHints->setPlainText("a hint");
    Next(); // answered No
    EXPECT_EQ(prompts->Take(), QStringList({NoCodeWords}));
    EXPECT_EQ(Where(), "7C");
    EXPECT_EQ(wizard->Accounts()[2].Hints, "") << "No stores nothing";
    prompts->Answers = {true};
    Next();
    EXPECT_EQ(prompts->Take(), QStringList({NoCodeWords}));
    EXPECT_EQ(Where(), "8C");
    EXPECT_EQ(wizard->Accounts()[2].Hints, "a hint|");
}

// An unlisted account shows examples as placeholder text only; Next stays off, and the page
// says what is missing, until server, user and ports are there.
TEST_F(WizardWindowTest, APlaceholderIsNeverAValueAndNextWaitsForAValidPage) {
    Open(); // no Thunderbird profile: only placeholders
    ASSERT_NO_FATAL_FAILURE(ToAccountsPage());
    EXPECT_EQ(c->lstAccounts->item(0)->text(), "< unlisted account 00001001 >");
    EXPECT_EQ(c->lstAccounts->item(0)->checkState(), Qt::Unchecked);
    Check(0, true);
    Next();
    EXPECT_EQ(c->lblSettings->text(), "Account Settings (< unlisted account 00001001 >)");
    for (QLineEdit* field : {c->txtHost, c->txtUser, c->txtSMTP, c->txtEMail, c->txtDisplayName}) {
        EXPECT_EQ(field->text(), "") << field->objectName().toStdString();
        EXPECT_FALSE(field->placeholderText().isEmpty()) << field->objectName().toStdString();
    }
    EXPECT_EQ(c->txtPOP3Port->text(), "110");
    EXPECT_EQ(c->txtPWD->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(c->butNext->isEnabled());
    EXPECT_EQ(c->lblMissing->text(),
              "Still needed before Next: the POP3 host server, the user ID.");
    TypeInto(c->txtHost, "pop.mine.example");
    TypeInto(c->txtUser, "me");
    EXPECT_TRUE(c->butNext->isEnabled());
    EXPECT_FALSE(c->lblMissing->isVisible());
    TypeInto(c->txtSMTPPort, "x");
    EXPECT_FALSE(c->butNext->isEnabled()) << "25x is no port";
    EXPECT_TRUE(c->lblMissing->text().contains("instead of \"25x\""));
    c->txtSMTPPort->selectAll();
    TypeInto(c->txtSMTPPort, "587");
    // TLS on the plain POP3 port offers 995, and back.
    c->cboPOP3Security->setCurrentIndex(2);
    emit c->cboPOP3Security->activated(2);
    EXPECT_EQ(c->txtPOP3Port->text(), "995");
    EXPECT_EQ(wizard->Accounts()[0].Pop3Port, "995");
    Next();
    Next();
    EXPECT_EQ(c->lblOptions->text(), "Account Options (< unlisted account 00001001 >)");
}

TEST_F(WizardWindowTest, AccountFieldsStoreUserEditsAndFollowTheEnablingRules) {
    ThreeAccounts();
    Open();
    ASSERT_NO_FATAL_FAILURE(ToAccountsPage());
    Next();
    // A: its outgoing server logs in with the POP3 login.
    EXPECT_TRUE(c->chkAUTH->isChecked());
    EXPECT_TRUE(c->chkUseSame->isChecked());
    EXPECT_TRUE(c->chkUseSame->isEnabled());
    EXPECT_FALSE(c->txtSMTPUser->isEnabled());
    EXPECT_FALSE(c->lblPWD->isEnabled());

    c->txtHost->clear(); // a clear by the program is no edit of the user
    EXPECT_EQ(wizard->Accounts()[0].Pop3Server, "pop.a.example");
    TypeInto(c->txtHost, "mail.a.example");
    TypeInto(c->txtPOP3Port, "0");
    TypeInto(c->txtPWD, "secret");
    QTest::mouseClick(c->chkUseSame, Qt::LeftButton);
    EXPECT_TRUE(c->txtSMTPUser->isEnabled());
    EXPECT_TRUE(c->lblUser->isEnabled());
    TypeInto(c->txtSMTPUser, "smtp-anna");
    const WizardAccount& a = wizard->Accounts()[0];
    EXPECT_EQ(a.Pop3Server, "mail.a.example");
    EXPECT_EQ(a.Pop3Port, "1100") << "stored as typed, unchecked";
    EXPECT_EQ(a.Pop3Password, "secret");
    EXPECT_EQ(a.UsePop3Login, "0");
    EXPECT_EQ(a.SmtpUser, "annasmtp-anna");

    QTest::mouseClick(c->chkAUTH, Qt::LeftButton);
    EXPECT_EQ(a.RequiresAuth, "0");
    EXPECT_FALSE(c->chkUseSame->isEnabled());
    EXPECT_FALSE(c->txtSMTPUser->isEnabled());

    // B is filled without storing anything back, and its own flags set the enabling.
    Next();
    Next();
    PassCodeWordsPage();
    EXPECT_EQ(Where(), "5B");
    EXPECT_FALSE(c->chkAUTH->isChecked());
    EXPECT_EQ(c->txtHost->text(), "pop.b.example");
    EXPECT_EQ(wizard->Accounts()[1].RequiresAuth, "0");
    EXPECT_EQ(a.RequiresAuth, "0");
    EXPECT_EQ(a.Pop3Server, "mail.a.example");
}

// Page 5 shows the security each account will be written with; it follows a typed port until
// the user chooses one.
TEST_F(WizardWindowTest, SecurityFollowsThePortUntilChosen) {
    ThreeAccounts();
    Open();
    ASSERT_NO_FATAL_FAILURE(ToAccountsPage());
    Next();
    ASSERT_EQ(Where(), "5A");
    EXPECT_EQ(c->cboPOP3Security->currentText(), "None");
    EXPECT_EQ(c->cboSMTPSecurity->currentText(), "None") << "port 587 without a socket type";

    c->txtPOP3Port->selectAll();
    TypeInto(c->txtPOP3Port, "995");
    EXPECT_EQ(c->cboPOP3Security->currentText(), "TLS");
    EXPECT_EQ(wizard->Accounts()[0].Pop3Security, "") << "still the port's";

    c->cboSMTPSecurity->setFocus();
    QTest::keyClick(c->cboSMTPSecurity, Qt::Key_Down);
    EXPECT_EQ(wizard->Accounts()[0].SmtpSecurity, "1");
    c->txtSMTPPort->selectAll();
    TypeInto(c->txtSMTPPort, "465");
    EXPECT_EQ(c->cboSMTPSecurity->currentText(), "STARTTLS") << "a choice stays";

    // B shows its own, and coming back to A shows what A will be written with.
    Next();
    Next();
    PassCodeWordsPage();
    ASSERT_EQ(Where(), "5B");
    EXPECT_EQ(c->cboPOP3Security->currentText(), "None");
    Previous();
    Previous();
    Previous();
    ASSERT_EQ(Where(), "5A");
    EXPECT_EQ(c->cboPOP3Security->currentText(), "TLS");
    EXPECT_EQ(c->cboSMTPSecurity->currentText(), "STARTTLS");
}

TEST_F(WizardWindowTest, CodeWordsAreKeptWhenGoingBackAndForth) {
    ThreeAccounts();
    Open();
    ASSERT_NO_FATAL_FAILURE(ToAccountsPage());
    Next();
    Next();
    Next();
    ASSERT_EQ(Where(), "7A");
    TypeInto(c->memCodeWords, "kestrel");
    QTest::keyClick(c->memCodeWords, Qt::Key_Return);
    TypeInto(c->memCodeWords, "  harbour7\t");
    QTest::keyClick(c->memCodeWords, Qt::Key_Return);
    QTest::keyClick(c->memCodeWords, Qt::Key_Return);
    TypeInto(c->memCodeWords, "   ");
    c->memHints->setPlainText("Our bird\nWhere we sailed");
    // A bar would split a hint when it is read back: refused, and the page stays.
    c->memHints->setPlainText("Our|bird");
    Previous();
    EXPECT_EQ(Where(), "7A");
    EXPECT_TRUE(prompts->Take().join('\n').contains("A hint cannot contain \"|\""));
    c->memHints->setPlainText("Our bird\nWhere we sailed");
    Previous();
    EXPECT_EQ(Where(), "6A");
    EXPECT_EQ(wizard->Accounts()[0].CodeWords, "kestrel|harbour7|")
        << "lines empty after trimming are skipped";
    EXPECT_EQ(wizard->Accounts()[0].Hints, "Our bird|Where we sailed|");
    Next();
    EXPECT_EQ(Where(), "7A");
    EXPECT_EQ(c->memCodeWords->toPlainText(), "kestrel\nharbour7\n");
    EXPECT_EQ(c->memHints->toPlainText(), "Our bird\nWhere we sailed\n");
    Next();
    EXPECT_TRUE(prompts->Take().filter("Confirm").isEmpty());
    EXPECT_EQ(Where(), "5B");
    Previous();
    EXPECT_EQ(Where(), "7A");
    EXPECT_EQ(c->memCodeWords->toPlainText(), "kestrel\nharbour7\n")
        << "the empty entry came back as an empty line, which the next store skips";
}

TEST_F(WizardWindowTest, TheCodeWordQuestionComesOnlyForAnEmptyMemo) {
    ThreeAccounts();
    Open();
    ASSERT_NO_FATAL_FAILURE(ToAccountsPage());
    Next();
    Next();
    Next();
    prompts->Answers = {true};
    Next(); // A: empty memo, asked, Yes
    EXPECT_EQ(prompts->Take(), QStringList({NoCodeWords}));
    Next();
    Next();
    ASSERT_EQ(Where(), "7B");
    c->memCodeWords->setPlainText("\n"); // one empty line
    Next();
    EXPECT_EQ(prompts->Take(), QStringList());
    EXPECT_EQ(Where(), "5C");
    EXPECT_EQ(wizard->Accounts()[0].CodeWords, "");
    EXPECT_EQ(wizard->Accounts()[1].CodeWords, "") << "an empty line is no entry";
}

TEST_F(WizardWindowTest, CancelAnsweredYesWritesNothing) {
    ThreeAccounts();
    Open();
    ASSERT_NO_FATAL_FAILURE(ToAccountsPage());
    Next();
    TypeInto(c->txtPWD, "secret");
    QTest::keyClick(wizard.get(), Qt::Key_Escape); // answered No
    EXPECT_EQ(prompts->Take(), QStringList({CancelQuestion}));
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(Where(), "5A");
    wizard->close(); // the window manager's close asks the same
    EXPECT_EQ(prompts->Take(), QStringList({CancelQuestion}));
    EXPECT_TRUE(wizard->isVisible());

    prompts->Answers = {true};
    QTest::mouseClick(c->butCancel, Qt::LeftButton);
    EXPECT_EQ(prompts->Take(), QStringList({CancelQuestion}));
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(wizard->result(), QDialog::Rejected);
    EXPECT_FALSE(QFile::exists(home.StorePath())) << "not even the settings file is created";
}

TEST_F(WizardWindowTest, SaveWritesTheSettingsStartsSievraAndCloses) {
    const QString marker = programDir.path() + "/started";
    const QString sievra = programDir.path() + "/sievra";
    {
        QFile script(sievra);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n");
    }
    QFile(sievra).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ThreeAccounts();
    Open();
    ASSERT_NO_FATAL_FAILURE(ToAccountsPage());
    Check(1, false);
    Check(2, false);
    Next();
    TypeInto(c->txtPWD, "pop-secret");
    Next();
    Next();
    c->memCodeWords->setPlainText("kestrel\nharbour7");
    Next();
    ASSERT_EQ(Where(), "8A");
    EXPECT_TRUE(c->chkPreview->isChecked()) << "a new user tries before anything is deleted";
    Next(); // Save
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_EQ(prompts->Take(), QStringList());
    for (int i = 0; i < 100 && !QFile::exists(marker); ++i) {
        QTest::qWait(50);
    }
    EXPECT_TRUE(QFile::exists(marker)) << "sievra was started";

    SettingsStore store;
    const LoadedSettings loaded = LoadSettings(store);
    ASSERT_TRUE(loaded.Ok);
    ASSERT_EQ(loaded.Accounts.size(), 1u);
    const Account& a = loaded.Accounts[0];
    EXPECT_EQ(a.KeyName, "00000001");
    EXPECT_EQ(a.Pop3Password, "pop-secret");
    EXPECT_EQ(a.CodeWords, "kestrel|harbour7|");
    EXPECT_EQ(a.SmtpServer, "smtp.a.example");
    EXPECT_EQ(loaded.Globals.WabFile, home.Path() + "/books/contacts.wab");
    EXPECT_TRUE(loaded.Globals.PreviewOnly);
    EXPECT_TRUE(a.KeepDeletedCopies);
}

// Run again over existing settings, the wizard says so, starts from them, and Save changes
// only what the pages show: the interval and reply text stay, an unticked account goes.
TEST_F(WizardWindowTest, ARunOverExistingSettingsStartsFromThemAndKeepsTheRest) {
    {
        SettingsStore store;
        auto p = *store.OpenKey(ProductKey, true);
        p.WriteNumber("Interval", 25);
        p.WriteText("Header 1", "My own reply");
        p.WriteText("EMail Client", "/usr/bin/my-mail");
        auto a = *store.OpenKey(AccountKeyPath("00000001"), true);
        a.WriteText("Account Name", "A");
        a.WriteText("POP3 Server", "pop.stored.example");
        a.WriteText("POP3 User Name", "anna");
        a.WriteText("POP3 Port", "110");
        a.WriteFlag("POP3 Tested", true);
        a.WriteNumber("POP3 Timeout", 90);
        a.WriteText("POP3 Certificate", "AB:CD");
        store.OpenKey(AccountKeyPath("00000001") + "\\Code Words", true)->WriteText("1", "old|");
        store.OpenKey(AccountKeyPath("00000009"), true)->WriteText("Account Name", "Gone");
    }
    ThreeAccounts();
    Open();
    EXPECT_TRUE(c->lblExisting->isVisible());
    EXPECT_EQ(wizard->MailClientPath(), "/usr/bin/my-mail");
    ASSERT_NO_FATAL_FAILURE(ToAccountsPage());
    ASSERT_EQ(c->lstAccounts->findItems("Gone", Qt::MatchExactly).size(), 1);
    EXPECT_EQ(c->lstAccounts->findItems("Gone", Qt::MatchExactly)[0]->checkState(), Qt::Checked);
    for (int row = 1; row < c->lstAccounts->count(); ++row) {
        Check(row, false);
    }
    Next();
    EXPECT_EQ(c->txtHost->text(), "pop.stored.example");
    Next();
    Next();
    EXPECT_EQ(c->memCodeWords->toPlainText(), "old\n");
    Next();
    c->chkPreview->setChecked(false);
    Next(); // Save
    EXPECT_EQ(wizard->result(), QDialog::Accepted);

    SettingsStore store;
    const auto p = store.OpenKey(ProductKey);
    EXPECT_EQ(p->ReadNumber("Interval"), 25);
    EXPECT_TRUE(p->ValueExists("Preview Only"));
    EXPECT_FALSE(p->ReadFlag("Preview Only"));
    EXPECT_EQ(p->ReadText("Header 1"), "My own reply");
    EXPECT_FALSE(store.KeyExists(AccountKeyPath("00000009")));
    const auto a = store.OpenKey(AccountKeyPath("00000001"));
    EXPECT_EQ(a->ReadText("POP3 Server"), "pop.stored.example");
    EXPECT_TRUE(a->ReadFlag("POP3 Tested")) << "nothing of its connection changed";
    EXPECT_EQ(a->ReadNumber("POP3 Timeout"), 90);
    EXPECT_EQ(a->ReadText("POP3 Certificate"), "AB:CD") << "values the pages do not show stay";
}

TEST_F(WizardWindowTest, SaveWithoutSievraWarnsAndAStoreErrorKeepsPage8) {
    ThreeAccounts();
    Open();
    ASSERT_NO_FATAL_FAILURE(ToAccountsPage());
    Next();
    for (int i = 0; i < 3; ++i) {
        Next();
        Next();
        PassCodeWordsPage();
    }
    ASSERT_EQ(Where(), "8C");

    // A settings file that is not one: nothing is written, the wizard stays on page 8.
    const QByteArray garbage(4096, 'x');
    home.WriteFile("config/sievra/settings.db", garbage);
    Next();
    const QStringList shown = prompts->Take();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith("Error: Settings file ")) << shown[0].toStdString();
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(Where(), "8C");
    QFile file(home.StorePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage);
    file.close();

    // Mended, Save again: the settings stay though sievra is missing beside the wizard.
    QFile::remove(home.StorePath());
    Next();
    EXPECT_EQ(prompts->Take(),
              QStringList({"Warning: Sievra.exe not found! Unable to initialize Sievra."}));
    EXPECT_FALSE(wizard->isVisible());
    SettingsStore store;
    EXPECT_EQ(LoadSettings(store).Accounts.size(), 3u);
}

TEST_F(WizardWindowTest, ContactSourcesAreFoundAddedRemovedAndSaved) {
    const QString client = home.WriteFile("data/applications/mail.desktop",
                                          "[Desktop Entry]\nExec=/bin/sh -c true %u\n");
    mailto = "mail.desktop\n";
    ThreeAccounts();
    WriteThunderbirdBook(tb.Path() + "/.thunderbird/abcd.default-release/abook.sqlite",
                         {{ThunderbirdVCard("Jane", {"jane@example.org"}), "", "", ""}});
    const QString kde = home.DataHome() + "/contacts";
    WriteTestFile(kde + "/x.vcf", "BEGIN:VCARD\nFN:Kim\nEMAIL:kim@example.org\nEND:VCARD\n");
    const QString evolution = home.DataHome() + "/evolution/addressbook/system/contacts.db";
    WriteTestFile(evolution, "not a database at all");
    Open();
    EXPECT_EQ(wizard->MailClientPath(), "/bin/sh");
    ASSERT_EQ(c->lstSources->count(), 3);
    EXPECT_TRUE(c->lstSources->item(1)->toolTip().contains("Cannot be read: "));
    c->lstSources->setCurrentRow(1);
    QTest::mouseClick(c->butRemove, Qt::LeftButton);
    ASSERT_EQ(c->lstSources->count(), 2);
    EXPECT_EQ(c->lstSources->item(0)->text(), "Thunderbird: Personal Address Book");
    EXPECT_EQ(c->lstSources->item(1)->checkState(), Qt::Checked);
    ASSERT_EQ(c->lstContacts->count(), 2);
    EXPECT_EQ(c->lstContacts->item(1)->text(), "Kim\tkim@example.org\tvCard folder: contacts");
    EXPECT_EQ(wizard->AddressBookPath(), "") << "no address book file among them";
    Next();

    prompts->ChosenFile = Book({{"friend@example.org", QStringLiteral("Friend")},
                                {"other@example.org", QStringLiteral("Other")}});
    QTest::mouseClick(c->butAddFile, Qt::LeftButton);
    EXPECT_EQ(prompts->Take(),
              QStringList({"Choose: Address books (*.vcf *.vcard *.sqlite *.db *.wab *.WAB);;All "
                           "files (*)"}));
    EXPECT_EQ(prompts->LastFolder, tb.Path());
    EXPECT_EQ(wizard->AddressBookPath(), prompts->ChosenFile);
    ASSERT_EQ(c->lstContacts->count(), 4);
    EXPECT_EQ(c->lstContacts->item(3)->text(),
              "Other\tother@example.org\tWindows Address Book: contacts.wab");

    prompts->ChosenFile = home.Path() + "/books/vanished.vcf";
    QTest::mouseClick(c->butAddFolder, Qt::LeftButton);
    EXPECT_EQ(prompts->Take(),
              QStringList({"Choose folder", "Warning: Unable to read address book " +
                                                prompts->ChosenFile + ": no such file or folder"}));
    EXPECT_EQ(c->lstSources->count(), 3);

    // Unchecked sources give no contacts; with none left, page 2 is refused.
    c->lstSources->item(0)->setCheckState(Qt::Unchecked);
    c->lstSources->setCurrentRow(1);
    QTest::mouseClick(c->butRemove, Qt::LeftButton);
    EXPECT_EQ(c->lstContacts->count(), 2);
    c->lstSources->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(c->lstContacts->count(), 0);
    Next();
    EXPECT_EQ(prompts->Take(), QStringList({NoBook}));

    c->lstSources->item(0)->setCheckState(Qt::Checked);
    c->lstSources->item(1)->setCheckState(Qt::Checked);
    Next();
    ASSERT_EQ(Where(), "3");
    prompts->ChosenFile = "/usr/bin/other-mail";
    QTest::mouseClick(c->butChangeEMailClient, Qt::LeftButton);
    EXPECT_EQ(prompts->LastFolder, "/bin");
    EXPECT_EQ(wizard->MailClientPath(), "/usr/bin/other-mail");

    // The address book file is saved as before; the other checked source as a new value.
    Next();
    Next();
    for (int i = 0; i < 3; ++i) {
        Next();
        Next();
        PassCodeWordsPage();
    }
    Next();
    SettingsStore store;
    const LoadedSettings loaded = LoadSettings(store);
    EXPECT_EQ(loaded.Globals.WabFile, home.Path() + "/books/contacts.wab");
    EXPECT_EQ(loaded.Globals.AddressBooks,
              QStringList({tb.Path() + "/.thunderbird/abcd.default-release/abook.sqlite"}));
}

} // namespace
