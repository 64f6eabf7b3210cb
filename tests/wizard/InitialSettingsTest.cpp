#include "wizard/InitialSettings.h"

#include "settings/JoinedList.h"
#include "settings/PasswordCipher.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/support/TestHome.h"
#include "tests/wizard/QtPrinters.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

struct Row {
    QString Name;
    ValueType Type;
    QString Text;
    qint32 Number;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.Name.toStdString() << "=" << row.Text.toStdString() << "/" << row.Number;
}

std::vector<Row> Rows(const SettingsKey& key) {
    std::vector<Row> rows;
    for (const StoredValue& v : key.Values()) {
        rows.push_back({v.Name, v.Type, v.Type == ValueType::Text ? v.Text : QString(),
                        v.Type == ValueType::Integer ? v.Number : 0});
    }
    return rows;
}

Row T(const QString& name, const QString& text) {
    return {name, ValueType::Text, text, 0};
}
Row N(const QString& name, qint32 number) {
    return {name, ValueType::Integer, QString(), number};
}

class InitialSettingsTest : public testing::Test {
protected:
    // An account as discovery offers it, checked. The reference lasts until the next Add.
    WizardAccount& Add(const QString& keyName, bool checked = true) {
        accounts.AddAccountEntry(keyName, "Account " + keyName, "pop." + keyName, 0,
                                 "user" + keyName, 0, "smtp." + keyName, 0,
                                 "me@" + keyName + ".example", "Me " + keyName, 0, false, false, "",
                                 checked);
        return accounts[accounts.Count() - 1];
    }
    void Save() { WriteInitialSettings(store, accounts, "/home/u/book.wab", "/usr/bin/mail"); }
    SettingsKey Key(const QString& path) { return *store.OpenKey(path); }

    test::TestHome home;
    SettingsStore store;
    AccountList accounts;
};

TEST_F(InitialSettingsTest, EveryValueOfAnAccountAndTheGlobals) {
    WizardAccount& a = Add("00000004");
    a.Pop3Port = "0110";
    a.Pop3Timeout = "45";
    a.SmtpPort = "587";
    a.RequiresAuth = "1";
    a.UsePop3Login = "0";
    a.SmtpUser = "smtp-user";
    a.CodeWords = "kestrel|harbour7|";
    a.Hints = "Our bird|";
    a.RememberCodeWordSenders = false;
    Save();

    const SettingsKey key = Key(AccountKeyPath("00000004"));
    const std::vector<Row> expected{
        T("Account Name", "Account 00000004"),
        N("Active", 1),
        N("Check Sender Authentication", 1),
        N("Keep Deleted Copies", 1),
        T("POP3 Password", ""),
        T("POP3 Port", "0110"),
        N("POP3 Security", 0),
        T("POP3 Server", "pop.00000004"),
        N("POP3 Tested", 0),
        N("POP3 Timeout", 45),
        T("POP3 User Name", "user00000004"),
        N("Remember Code-Word Senders", 0),
        N("Requires AUTH", 1),
        N("Save POP3 Password", 0),
        N("Save SMTP Password", 0),
        T("SMTP Display Name", "Me 00000004"),
        T("SMTP EMail Address", "me@00000004.example"),
        T("SMTP Password", ""),
        T("SMTP Port", "587"),
        N("SMTP Security", 0),
        T("SMTP Server", "smtp.00000004"),
        N("SMTP Tested", 0),
        N("SMTP Timeout", 60),
        T("SMTP User name", "smtp-user"),
        N("Use POP3", 0),
    };
    EXPECT_EQ(Rows(key), expected);
    EXPECT_EQ(LoadJoinedList(store, "00000004", CodeWordsSubkey), "kestrel|harbour7|");
    EXPECT_EQ(LoadJoinedList(store, "00000004", HintsSubkey), "Our bird|");

    const SettingsKey product = Key(ProductKey);
    const std::vector<Row> globals{
        N("AutoLoad", 0),
        N("AutoRun", 0),
        N("Beep", 1),
        T("EMail Client", "/usr/bin/mail"),
        N("First Time", 1),
        T("Footer 1", "(This message generated automatically by Sievra)"),
        T("Header 1", "Your email message was deleted at the server because your email"),
        T("Header 2", "address is not in our list of approved (non-SPAM) senders. To "),
        T("Header 3", "qualify for addition into this list, please reply using a subject line "),
        T("Header 4", "containing a \"code word\" matching one of these hints:"),
        N("Interval", 10),
        N("LastID", 4),
        T("Subject", "Your message was deleted!"),
        N("Visual Alert", 1),
        T("WAB File", "/home/u/book.wab"),
    };
    EXPECT_EQ(Rows(product), globals);
}

// What discovery found or the user chose is written; without either, the port decides.
TEST_F(InitialSettingsTest, SecurityAsChosenElseByThePort) {
    const struct {
        const char* key;
        const char* pop3Port;
        const char* pop3Chosen;
        const char* smtpPort;
        const char* smtpChosen;
        int pop3;
        int smtp;
    } rows[] = {
        {"00000001", "995", "", "465", "", 2, 2},   {"00000002", "110", "", "587", "", 0, 0},
        {"00000003", "110", "1", "587", "1", 1, 1}, {"00000004", "995", "0", "465", "0", 0, 0},
        {"00000005", "995", "9", "25", "x", 2, 0}, // not a choice: the port decides
    };
    for (const auto& row : rows) {
        WizardAccount& a = Add(row.key);
        a.Pop3Port = row.pop3Port;
        a.Pop3Security = row.pop3Chosen;
        a.SmtpPort = row.smtpPort;
        a.SmtpSecurity = row.smtpChosen;
    }
    Save();
    for (const auto& row : rows) {
        const SettingsKey key = Key(AccountKeyPath(row.key));
        EXPECT_EQ(key.ReadNumber("POP3 Security"), row.pop3) << row.key;
        EXPECT_EQ(key.ReadNumber("SMTP Security"), row.smtp) << row.key;
    }
}

TEST_F(InitialSettingsTest, LastIdIsTheLargestCheckedKeyNameAndUncheckedAccountsStayOut) {
    Add("00000003");
    Add("00000009", false).Pop3Server = "edited but unchecked";
    Add("00000001");
    Save();
    EXPECT_EQ(Key(ProductKey).ReadNumber("LastID"), 3);
    EXPECT_EQ(Key(ProductKey).SubkeyNames(), QStringList({"00000001", "00000003"}));
}

TEST_F(InitialSettingsTest, EmptyListsGiveEmptySubkeysAndAPlaceholderKeepsItsTexts) {
    accounts.AddAccountEntry("00001001", "< unlisted account 00001001 >", "< Host Name >", 110,
                             "< User Name >", 60, "< SMTP Server Name >", 25, "< EMail Address >",
                             "< Display Name >", 60, false, false, "", true);
    Save();
    const QString path = AccountKeyPath("00001001");
    EXPECT_TRUE(Key(path + "\\Code Words").Values().empty());
    EXPECT_TRUE(Key(path + "\\Hints").Values().empty());

    const LoadedSettings loaded = LoadSettings(store);
    ASSERT_EQ(loaded.Accounts.size(), 1u);
    const Account& a = loaded.Accounts[0];
    EXPECT_EQ(a.KeyName, "00001001");
    EXPECT_EQ(a.AccountName, "< unlisted account 00001001 >");
    EXPECT_EQ(a.Pop3Server, "< Host Name >");
    EXPECT_EQ(a.Pop3User, "< User Name >");
    EXPECT_EQ(a.SmtpServer, "< SMTP Server Name >");
    EXPECT_EQ(a.SmtpAddress, "< EMail Address >");
    EXPECT_EQ(a.SmtpDisplayName, "< Display Name >");
    EXPECT_EQ(a.Pop3Port, "110");
    EXPECT_EQ(a.SmtpPort, "25");
    EXPECT_EQ(a.CodeWords, "");
    EXPECT_EQ(Key(ProductKey).ReadNumber("LastID"), 1001);
}

TEST_F(InitialSettingsTest, PasswordsDecodeAsTheScreeningProgramLoadsThem) {
    Add("00000002");
    Add("00000005").SmtpUser = "own";
    WizardAccount& a = accounts[0];
    a.Pop3Password = QString::fromUtf8("pö|p s3cret");
    a.SmtpPassword = "12345678";
    Save();

    const SettingsKey key = Key(AccountKeyPath("00000002"));
    EXPECT_NE(key.ReadText("POP3 Password"), a.Pop3Password) << "never stored in plain text";
    EXPECT_TRUE(key.ReadFlag("Save POP3 Password"));
    EXPECT_TRUE(key.ReadFlag("Save SMTP Password"));
    const LoadedSettings loaded = LoadSettings(store);
    EXPECT_TRUE(loaded.DecodeError.isEmpty());
    ASSERT_EQ(loaded.Accounts.size(), 2u);
    EXPECT_EQ(loaded.Accounts[0].Pop3Password, QString::fromUtf8("pö|p s3cret"));
    EXPECT_EQ(loaded.Accounts[0].SmtpPassword, "12345678");
    EXPECT_TRUE(loaded.Accounts[0].SavePop3Password);
    EXPECT_EQ(loaded.Accounts[1].Pop3Password, "");
    EXPECT_FALSE(loaded.Accounts[1].SaveSmtpPassword);
    EXPECT_EQ(loaded.Accounts[1].SmtpUser, "own") << "\"SMTP User name\" is \"SMTP User Name\"";
}

TEST_F(InitialSettingsTest, ASecondRunKeepsOtherAccountsAndRewritesTheGlobals) {
    Add("00000001").CodeWords = "a|b|c|";
    Add("00000002");
    Save();
    // Sievra meanwhile: first start done, a longer reply text, an account edited.
    Key(ProductKey).WriteFlag("First Time", false);
    Key(ProductKey).WriteText("Header 5", "an extra line");
    Key(ProductKey).WriteText("Subject", "Changed");
    Key(AccountKeyPath("00000002")).WriteText("POP3 Server", "kept.example");

    accounts = AccountList();
    Add("00000001").CodeWords = "z|";
    Save();
    EXPECT_EQ(Key(AccountKeyPath("00000002")).ReadText("POP3 Server"), "kept.example");
    EXPECT_EQ(LoadJoinedList(store, "00000001", CodeWordsSubkey), "z|");
    EXPECT_TRUE(Key(ProductKey).ReadFlag("First Time"));
    EXPECT_EQ(Key(ProductKey).ReadText("Subject"), "Your message was deleted!");
    EXPECT_FALSE(Key(ProductKey).ValueExists("Header 5")) << "no stale line in the reply";
    EXPECT_EQ(Key(ProductKey).ReadNumber("LastID"), 1);
}

TEST_F(InitialSettingsTest, AKeyNameThatIsNoNumberStopsTheSaveAndWritesNothing) {
    Add("00000001");
    Add("12ab");
    EXPECT_THROW(Save(), StoreError);
    EXPECT_FALSE(store.KeyExists(ProductKey)) << "the save is one transaction";
}

} // namespace
