#include "WindowFixture.h"
#include "app/HeaderPicture.h"
#include "app/HistoryPanel.h"
#include "engine/ScreeningEngine.h"
#include "history/QuarantineStore.h"
#include "settings/ContactSettings.h"
#include "settings/Keyring.h"
#include "settings/PasswordCipher.h"
#include "widgets/EditListBox.h"
#include "widgets/StatusList.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <tuple>

using namespace sievra;

namespace {

class GeneralPanelTest : public test::WindowFixture {
protected:
    void SetUp() override { WriteStandardStore(); }
    bool Enabled(const char* name) { return Find<QWidget>(name)->isEnabled(); }
};

TEST_F(GeneralPanelTest, LoadsTheOptionsAndEnablesThemWithAutomaticMode) {
    auto p = Product();
    p.WriteFlag("Beep", true);
    p.WriteNumber("Interval", 0);
    p.WriteText("WAB File", "/home/alice/book.wab");
    ASSERT_TRUE(OpenWindow());
    EXPECT_TRUE(Find<QCheckBox>("chkBeep")->isChecked());
    EXPECT_EQ(Find<QSpinBox>("spnInterval")->value(), 1) << "kept within 1 to 999";
    EXPECT_EQ(window->ReadPassOptions().WabFile, "/home/alice/book.wab");
    for (const char* name : {"chkBeep", "chkVisual", "spnInterval", "chkAutoLoad"}) {
        EXPECT_FALSE(Enabled(name)) << name;
    }
    EXPECT_EQ(Find<QWidget>("butGO")->toolTip(), "Begin processing");

    Click("chkAuto");
    EXPECT_EQ(Stored(ProductKey, "AutoRun")->Number, 1);
    for (const char* name : {"chkBeep", "chkVisual", "spnInterval", "chkAutoLoad"}) {
        EXPECT_TRUE(Enabled(name)) << name;
    }
    EXPECT_EQ(Find<QWidget>("butGO")->toolTip(), "Minimize to System Tray and await processing");
    Click("chkBeep");
    EXPECT_EQ(Stored(ProductKey, "Beep")->Number, 0);
    Click("chkVisual");
    EXPECT_EQ(Stored(ProductKey, "Visual Alert")->Number, 1);
    TypeInto("spnInterval", "15");
    Leave();
    EXPECT_EQ(Stored(ProductKey, "Interval")->Number, 15);
    EXPECT_EQ(window->ReadPassOptions().IntervalMinutes, 15);
}

// Choosing the keyring when none answers moves nothing: the user is told, the choice shows
// where the passwords still are, and the store keeps them.
TEST_F(GeneralPanelTest, PasswordStorageMovesNothingWhenTheKeyringFails) {
    if (Keyring::Answers(std::chrono::milliseconds(2000))) {
        GTEST_SKIP() << "a keyring answers here; keyring_tests cover the move itself";
    }
    Product().WriteText("Password Storage", "Settings Store");
    const QString stored = EncodePassword("secret");
    AccountKey().WriteText("POP3 Password", stored);
    ASSERT_TRUE(OpenWindow());
    QComboBox* storage = Find<QComboBox>("cboPasswordStorage");
    EXPECT_EQ(storage->currentIndex(), 1);
    storage->setFocus();
    QTest::keyClick(storage, Qt::Key_Home);
    ASSERT_EQ(dialogs.Errors.size(), 1);
    EXPECT_TRUE(dialogs.Errors.first().startsWith(
        "No password was moved: The desktop keyring could not be reached"))
        << dialogs.Errors.first().toStdString();
    EXPECT_EQ(storage->currentIndex(), 1);
    EXPECT_EQ(Stored(AccountKeyPath("00000001"), "POP3 Password")->Text, stored);
    EXPECT_EQ(Stored(ProductKey, "Password Storage")->Text, "Settings Store");
}

TEST_F(GeneralPanelTest, InitRunsGoOnlyInAutomaticMode) {
    ASSERT_TRUE(OpenWindow());
    window->Init();
    EXPECT_FALSE(window->AutoTimer()->isActive()) << "manual mode waits for GO";
    EXPECT_TRUE(window->isVisible() && !window->isMinimized());
    CloseWindow();

    Product().WriteFlag("AutoRun", true);
    Product().WriteNumber("Interval", 10);
    AccountKey().WriteFlag("Active", false); // no password to ask for
    ASSERT_TRUE(OpenWindow());
    EXPECT_TRUE(Enabled("chkBeep"));
    window->Init();
    EXPECT_TRUE(window->AutoTimer()->isActive());
    EXPECT_EQ(window->AutoTimer()->interval(), 10 * 60000);
    EXPECT_TRUE(window->isMinimized()) << "no notification area here: minimised, not hidden";
}

TEST_F(GeneralPanelTest, ContactSourcesAndAllowedSendersAreWrittenThrough) {
    Product().WriteText("WAB File", "/home/alice/books/book.wab");
    Product().WriteText("Allowed Sender 1", "@family.example");
    const QString vcf =
        home.WriteFile("friends.vcf", "BEGIN:VCARD\nEMAIL:a@example.org\nEND:VCARD\n"
                                      "BEGIN:VCARD\nEMAIL:b@example.org\nEND:VCARD\n");
    const QString notes = home.WriteFile("notes.txt", "shopping list\n");
    ASSERT_TRUE(OpenWindow());
    auto* sources = Find<QListWidget>("lstSources");
    ASSERT_EQ(sources->count(), 1);
    EXPECT_EQ(sources->item(0)->text(), "Windows Address Book: book.wab (not read)");

    dialogs.ChosenFile = notes;
    Click("butAddSourceFile");
    EXPECT_EQ(dialogs.Warnings.value(0),
              "Unable to read address book " + notes + ": not an address book Sievra knows");
    EXPECT_FALSE(Stored(ProductKey, "Address Book 1"));
    dialogs.ChosenFile = vcf;
    Click("butAddSourceFile");
    EXPECT_EQ(Stored(ProductKey, "Address Book 1")->Text, vcf);
    EXPECT_EQ(window->ReadPassOptions().AddressBooks, QStringList({vcf}));
    ASSERT_EQ(sources->count(), 2);
    EXPECT_EQ(sources->item(1)->text(), "vCard file: friends.vcf (2 addresses)");
    Click("butAddSourceFolder");
    EXPECT_TRUE(dialogs.Choices.back().Folder);

    // Removing the address book file clears its value; the other source stays.
    sources->setCurrentRow(0);
    Click("butRemoveSource");
    EXPECT_EQ(Stored(ProductKey, "WAB File")->Text, "");
    EXPECT_EQ(window->ReadPassOptions().WabFile, "");
    ASSERT_EQ(sources->count(), 1);

    auto* allowed = Find<EditListBox>("lstAllowed");
    EXPECT_EQ(allowed->Entries(), QStringList({"@family.example"}));
    allowed->setFocus();
    Click("butAddAllowed");
    allowed->Editor()->setText("*.work.example");
    allowed->CommitEdit();
    Leave();
    EXPECT_EQ(Stored(ProductKey, "Allowed Sender 2")->Text, "*.work.example");
    EXPECT_EQ(window->ReadPassOptions().AllowedSenders,
              QStringList({"@family.example", "*.work.example"}));
    EXPECT_TRUE(dialogs.Warnings.size() == 1) << "both entries are well-formed";
}

TEST_F(GeneralPanelTest, ChoosingTheMailClient) {
    ASSERT_TRUE(OpenWindow());
    dialogs.ChosenFile = "/usr/bin/thunderbird";
    Click("butChangeEMailClient");
    ASSERT_EQ(dialogs.Choices.size(), 1u);
    EXPECT_EQ(dialogs.Choices[0].StartDirectory, QDir::homePath()) << "no path yet";
    EXPECT_TRUE(dialogs.Choices[0].ExecutablesOnly);
    EXPECT_EQ(Stored(ProductKey, "EMail Client")->Text, "/usr/bin/thunderbird");
    EXPECT_EQ(window->EmailClient(), "/usr/bin/thunderbird");

    // The field can be cleared; Get Mail then says what is missing and where to set it.
    Click("butClearEMailClient");
    EXPECT_EQ(Stored(ProductKey, "EMail Client")->Text, "");
    window->LaunchMailClient();
    ASSERT_FALSE(dialogs.Warnings.isEmpty());
    EXPECT_TRUE(dialogs.Warnings.last().startsWith("No mail program is set. Choose one under "
                                                   "Settings, EMail Client"));
}

TEST_F(GeneralPanelTest, TheHeaderPictureIsDecodedFromItsJpeg) {
    ASSERT_TRUE(OpenWindow());
    const auto* header = window->findChild<HeaderPicture*>("imgHeader");
    ASSERT_NE(header, nullptr);
    EXPECT_FALSE(header->Picture().isNull());
    EXPECT_GT(header->Picture().width(), 400);
}

class StatusPanelTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WriteStandardStore();
        ASSERT_TRUE(OpenWindow());
        label = Find<QLabel>("lblStatus");
        bar = Find<QProgressBar>("pbStatus");
        list = Find<StatusList>("lstTasks");
    }
    QLabel* label = nullptr;
    QProgressBar* bar = nullptr;
    StatusList* list = nullptr;
};

// A pass that stops at the address book still shows why: the view goes to Status.
TEST_F(StatusPanelTest, APassWithoutAnAddressBookShowsTheStatusPanel) {
    window->Accounts().at(0)->Pop3Password = "secret";
    Select({"Settings"});
    Click("butGO");
    EXPECT_EQ(VisiblePanels(), QStringList({"pnlStatus"}));
    ASSERT_GT(list->count(), 0);
    EXPECT_EQ(list->item(list->count() - 1)->text(), "Error: Unable to load address book.");
}

TEST_F(StatusPanelTest, StartsWithStatusAndNoBar) {
    Select({"Status"});
    EXPECT_EQ(Find<QLabel>("lblDateTime")->text(), "Status");
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(list->count(), 0);
}

TEST_F(StatusPanelTest, ALineShowsMarkedUpInTheListAndPlainInTheLabel) {
    Select({"Status"});
    window->Engine().WriteStatus("<B>Connecting to <font color=\"clGreen\">pop.example.org</B>",
                                 false, false);
    EXPECT_EQ(label->text(), "Connecting to pop.example.org");
    EXPECT_EQ(list->Lines(),
              QStringList({"<B>Connecting to <font color=\"clGreen\">pop.example.org</B>"}));
    EXPECT_EQ(label->width(), 400);

    window->Engine().WriteStatus("Retrieving 3 header(s)..", false, true);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(label->width(), 245);
    window->SetStatusBarPosition(250);
    EXPECT_EQ(bar->value(), 100) << "past the end is a full bar";

    // A label-only line replaces the label and leaves the list alone.
    window->Engine().WriteStatus("Retrieving header 2 of 3", true, true);
    EXPECT_EQ(label->text(), "Retrieving header 2 of 3");
    EXPECT_EQ(list->count(), 2);

    window->Engine().WriteStatus("a>b <B>c</B>", true, false);
    EXPECT_EQ(label->text(), "a>b <B>c</B>");
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(label->width(), 400);

    window->ClearStatusLines();
    EXPECT_EQ(list->count(), 0);
    window->SetDateLabel("Testing...");
    EXPECT_EQ(Find<QLabel>("lblDateTime")->text(), "Testing...");
}

// The History node lists the decisions newest first, decoded, filtered as asked, and acts on
// the selected row: open its kept copy, allow its sender, copy its address.
TEST_F(GeneralPanelTest, HistoryPanelListsFiltersAndActs) {
    QuarantineStore quarantine;
    const QByteArray message("From: spam@bad.example\nSubject: =?UTF-8?Q?K=C3=A4se?=\n\nx\n");
    {
        HistoryDatabase db;
        DecisionHistory history(db);
        for (const auto& [sender, outcome, age] :
             {std::tuple{"friend@example.org", Decision::Kept, 300},
              std::tuple{"spam@bad.example", Decision::Deleted, 200},
              std::tuple{"offer@bad.example", Decision::WouldDelete, 100}}) {
            DecisionRecord r;
            r.Time = QDateTime::currentDateTimeUtc().addSecs(-age);
            r.Account = "00000001";
            r.AccountName = "Home";
            r.Sender = sender;
            r.From = sender;
            r.Subject = outcome == Decision::Deleted ? "=?UTF-8?Q?K=C3=A4se?=" : "hello";
            r.Outcome = outcome;
            if (outcome == Decision::Deleted) {
                r.Copy = CopyKind::Whole;
                r.CopyPath = quarantine.Store("00000001", message);
            }
            history.Add(r);
        }
    }
    // Restore meets a server that refuses the connection: a clear line, the copy kept.
    quint16 closedPort = 0;
    {
        QTcpServer listener;
        ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
        closedPort = listener.serverPort();
    }
    auto account = store->OpenKey(AccountKeyPath("00000001"));
    account->WriteText("SMTP Server", "127.0.0.1");
    account->WriteText("SMTP Port", QString::number(closedPort));
    account->WriteNumber("SMTP Security", 0);
    ASSERT_TRUE(OpenWindow());
    Select({"History"});
    EXPECT_EQ(VisiblePanels(), QStringList({"pnlHistory"}));
    auto* table = Find<QTableView>("tblHistory");
    QAbstractItemModel* rows = table->model();
    ASSERT_EQ(rows->rowCount(), 3);
    EXPECT_EQ(rows->index(0, DecisionTableModel::From).data().toString(), "offer@bad.example");
    EXPECT_EQ(rows->index(1, DecisionTableModel::Subject).data().toString(),
              QString::fromUtf8("Käse"));

    auto* decision = Find<QComboBox>("cboHistoryDecision");
    decision->setCurrentIndex(decision->findText("deleted"));
    emit decision->activated(decision->currentIndex());
    ASSERT_EQ(rows->rowCount(), 1);
    TypeInto("txtHistoryFilter", "nobody");
    EXPECT_EQ(rows->rowCount(), 0);
    TypeInto("txtHistoryFilter", "SPAM");
    ASSERT_EQ(rows->rowCount(), 1);

    auto* panel = Find<HistoryPanel>("pnlHistory");
    QString opened;
    panel->OpenFile = [&](const QString& path) {
        opened = path;
        return true;
    };
    table->selectRow(0);
    Click("butRestoreMessage");
    EXPECT_TRUE(Find<QLabel>("lblHistoryNote")->text().contains(" not restored: "))
        << Find<QLabel>("lblHistoryNote")->text().toStdString();
    table->selectRow(0);
    Click("butOpenMessage");
    ASSERT_TRUE(opened.endsWith(".eml")) << opened.toStdString();
    QFile copy(opened);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), message);
    Click("butAllowSender");
    EXPECT_TRUE(LoadAllowedSenders(*store).contains("spam@bad.example"));
    EXPECT_TRUE(Find<EditListBox>("lstAllowed")->Entries().contains("spam@bad.example"));
    Click("butCopyAddress");
    EXPECT_EQ(QApplication::clipboard()->text(), "spam@bad.example");
}

} // namespace
