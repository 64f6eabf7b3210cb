#include "WindowFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace sievra;

namespace {

class AccountTreeTest : public test::WindowFixture {
protected:
    void SetUp() override { WriteStandardStore(); }
    void WriteCounter(const QString& name, const StoredValue& value) {
        auto key = *store->OpenKey(AccountManagerKey, true);
        key.Write({name, value.Type, value.Text, value.Number});
    }
};

TEST_F(AccountTreeTest, ExactlyOnePanelShowsForEveryNode) {
    AccountKey("00000002").WriteText("Account Name", "Work");
    ASSERT_TRUE(OpenWindow());
    EXPECT_EQ(VisiblePanels(), QStringList({"pnlGeneral"})) << "Settings is selected at start";
    const std::vector<std::pair<QStringList, QString>> steps = {
        {{"Message"}, "pnlMessage"},
        {{"Settings", "Home"}, "pnlAccount"},
        {{"Status"}, "pnlStatus"},
        {{"Settings", "Home", "Code Words"}, "pnlCodeWords"},
        {{"Settings", "Work"}, "pnlAccount"},
        {{"Settings"}, "pnlGeneral"},
        {{"Settings", "Work", "Code Words"}, "pnlCodeWords"},
        {{"Message"}, "pnlMessage"},
    };
    for (const auto& [path, panel] : steps) {
        Select(path);
        EXPECT_EQ(VisiblePanels(), QStringList({panel})) << path.join('/').toStdString();
        EXPECT_EQ(Find<QWidget>("butDeleteAccount")->isEnabled(), panel == "pnlAccount")
            << path.join('/').toStdString();
    }
    EXPECT_EQ(Find<QLineEdit>("txtAccountName")->text(), "Work");
}

TEST_F(AccountTreeTest, AddingNumbersAboveLastIdAndTheMailAccountCounter) {
    Product().WriteNumber("LastID", 3);
    WriteCounter("Account Name", {"", ValueType::Integer, "", 5});
    ASSERT_TRUE(OpenWindow());
    Click("butAddAccount");
    EXPECT_EQ(dialogs.Questions, QStringList({"Add a new account?"}));
    const QString key = AccountKeyPath("00000006");
    ASSERT_TRUE(StoredKeyExists(key));
    EXPECT_EQ(Stored(ProductKey, "LastID")->Number, 6);
    EXPECT_EQ(Stored(key, "Account Name")->Text, "<New Account>");
    // Placeholders are placeholder text only: nothing a pass could take for a server.
    for (const char* name :
         {"POP3 Server", "POP3 User Name", "SMTP Server", "SMTP EMail Address"}) {
        EXPECT_EQ(Stored(key, name)->Text, "") << name;
    }
    EXPECT_EQ(Stored(key, "POP3 Port")->Text, "110");
    EXPECT_EQ(Stored(key, "SMTP Port")->Text, "25");
    EXPECT_EQ(Stored(key, "POP3 Timeout")->Number, 60);
    EXPECT_EQ(Stored(key, "SMTP Timeout")->Number, 60);
    EXPECT_EQ(Stored(key, "Active")->Number, 0);
    EXPECT_EQ(Stored(key, "Save POP3 Password")->Number, 0);
    EXPECT_EQ(Stored(key, "POP3 Password")->Text, "");
    EXPECT_EQ(Stored(key, "POP3 Security")->Number, 0);
    EXPECT_EQ(Stored(key, "SMTP Security")->Number, 0);
    EXPECT_TRUE(StoredKeyExists(key + "\\Code Words"));
    EXPECT_TRUE(StoredKeyExists(key + "\\Hints"));

    // The new node is selected and its panel shows the new values.
    EXPECT_EQ(Tree()->currentItem(), Node({"Settings", "<New Account>"}));
    EXPECT_EQ(VisiblePanels(), QStringList({"pnlAccount"}));
    EXPECT_EQ(Find<QLineEdit>("txtHost")->text(), "");
    EXPECT_FALSE(Find<QLineEdit>("txtHost")->placeholderText().isEmpty());
    EXPECT_FALSE(Find<QCheckBox>("chkActive")->isEnabled());
    EXPECT_TRUE(Find<QLabel>("lblMissing")->isVisible());
    EXPECT_EQ(window->Accounts().size(), 2);
    EXPECT_EQ(window->Accounts().at(1)->KeyName, "00000006");
    // And edits go to the new key; with server and user filled in it becomes active.
    TypeInto("txtAccountName", "Club");
    TypeInto("txtHost", "pop.club.example");
    EXPECT_EQ(Stored(key, "Active")->Number, 0);
    TypeInto("txtUser", "me");
    Leave();
    EXPECT_EQ(Stored(key, "Account Name")->Text, "Club");
    EXPECT_EQ(Stored(key, "Active")->Number, 1);
    EXPECT_TRUE(Find<QCheckBox>("chkActive")->isChecked());
    EXPECT_FALSE(Find<QLabel>("lblMissing")->isVisible());
}

TEST_F(AccountTreeTest, AddingWithoutLastIdOrCounterStartsAtOne) {
    // The only account has another number, so 00000001 is free.
    store->DeleteKey(AccountKeyPath("00000001"));
    AccountKey("00000042").WriteText("Account Name", "Old");
    ASSERT_TRUE(OpenWindow());
    Click("butAddAccount");
    EXPECT_TRUE(StoredKeyExists(AccountKeyPath("00000001")));
    EXPECT_EQ(Stored(ProductKey, "LastID")->Number, 1);
}

TEST_F(AccountTreeTest, AddingNeverOverwritesAnExistingAccount) {
    // No LastID: the count starts at 1, which "Home" already holds.
    ASSERT_TRUE(OpenWindow());
    Click("butAddAccount");
    EXPECT_EQ(Stored(AccountKeyPath("00000001"), "Account Name")->Text, "Home");
    EXPECT_TRUE(StoredKeyExists(AccountKeyPath("00000002")));
    EXPECT_EQ(Stored(ProductKey, "LastID")->Number, 2);
}

TEST_F(AccountTreeTest, ACounterThatIsNoIntegerCountsAs999999) {
    WriteCounter("Account Name", {"", ValueType::Text, "five", 0});
    ASSERT_TRUE(OpenWindow());
    Click("butAddAccount");
    EXPECT_TRUE(StoredKeyExists(AccountKeyPath("01000000")));
}

TEST_F(AccountTreeTest, AnsweringNoAddsNothing) {
    ASSERT_TRUE(OpenWindow());
    dialogs.ConfirmAnswer = false;
    Click("butAddAccount");
    EXPECT_FALSE(Stored(ProductKey, "LastID").has_value());
    EXPECT_EQ(window->Accounts().size(), 1);
}

TEST_F(AccountTreeTest, DeletingAsksByNameAndRemovesKeyAndNode) {
    ASSERT_TRUE(OpenWindow());
    Select({"Settings", "Home"});
    dialogs.ConfirmAnswer = false;
    Click("butDeleteAccount");
    EXPECT_EQ(dialogs.Questions, QStringList({"Delete account \"Home\"?"}));
    EXPECT_TRUE(StoredKeyExists(AccountKeyPath("00000001")));

    dialogs.ConfirmAnswer = true;
    Click("butDeleteAccount");
    EXPECT_FALSE(StoredKeyExists(AccountKeyPath("00000001")));
    EXPECT_FALSE(StoredKeyExists(AccountKeyPath("00000001") + "\\Code Words"));
    EXPECT_TRUE(window->Accounts().isEmpty());
    EXPECT_EQ(Tree()->currentItem(), Node({"Settings"}));
    EXPECT_EQ(VisiblePanels(), QStringList({"pnlGeneral"}));
    EXPECT_FALSE(Find<QWidget>("butDeleteAccount")->isEnabled());

    // The next start finds no account.
    CloseWindow();
    EXPECT_FALSE(OpenWindow());
    EXPECT_EQ(dialogs.Warnings, QStringList({"No accounts found! Unable to initialize Sievra."}));
}

TEST_F(AccountTreeTest, APasswordThatCannotBeDecodedStopsLoadingAtItsAccount) {
    AccountKey("00000002").WriteText("Account Name", "Broken");
    AccountKey("00000002").WriteText("POP3 Password", "not*base64");
    AccountKey("00000003").WriteText("Account Name", "After");
    ASSERT_TRUE(OpenWindow());
    EXPECT_EQ(dialogs.Errors, QStringList({"Invalid Base64 Character"}));
    ASSERT_EQ(window->Accounts().size(), 1);
    EXPECT_EQ(window->Accounts().at(0)->AccountName, "Home");
    EXPECT_EQ(VisiblePanels(), QStringList({"pnlGeneral"})) << "the window still works";
}

} // namespace
