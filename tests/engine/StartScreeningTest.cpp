// The GO action: the password check, the connection test and its stored flags.
#include "EngineFixture.h"
#include "settings/StoreLayout.h"

using namespace sievra;
using namespace sievra::test;

namespace {

class StartScreening : public EngineFixture {
protected:
    bool StoredFlag(const Account& account, const QString& name) {
        return store->OpenKey(AccountKeyPath(account.KeyName))->ReadFlag(name);
    }
};

TEST_F(StartScreening, MissingPasswordOfAnActiveAccountStopsBeforeAnything) {
    Account& idle = AddMailbox({});
    idle.Active = false;
    idle.Pop3Password.clear();
    Account& needy = AddMailbox({Mail("spam@bad.example", "x")}, "hint|");
    needy.RequiresAuth = true;
    needy.SmtpPassword.clear();
    needy.AccountName = "Work";
    window.ShowFlag = false;
    EXPECT_FALSE(engine->StartScreening());
    EXPECT_EQ(window.Warnings, QStringList({"Account \"Work\" needs a password. Please enter all "
                                            "passwords before proceeding."}));
    EXPECT_TRUE(window.ShowFlag);
    EXPECT_EQ(MailboxSize(needy), 1);
    EXPECT_TRUE(window.Lines.isEmpty());

    needy.UsePop3Login = true; // the POP3 password serves: nothing is missing any more
    window.Warnings.clear();
    EXPECT_TRUE(engine->StartScreening());
    EXPECT_TRUE(window.Warnings.isEmpty()) << "an inactive account without password never blocks";
    EXPECT_EQ(MailboxSize(needy), 0);
}

TEST_F(StartScreening, TestsUntestedAccountsAndStoresTheirFlags) {
    Account& account = AddMailbox({Mail("spam@bad.example", "x")}, "hint|");
    account.Pop3Tested = false;
    account.SmtpTested = false;
    EXPECT_TRUE(engine->StartScreening());
    EXPECT_TRUE(account.Pop3Tested);
    EXPECT_TRUE(account.SmtpTested);
    EXPECT_TRUE(StoredFlag(account, "POP3 Tested"));
    EXPECT_TRUE(StoredFlag(account, "SMTP Tested"));
    EXPECT_EQ(window.DateLabels.first(), "Testing...");
    EXPECT_EQ(window.Clears, 2) << "cleared by the test and by the pass";
    EXPECT_TRUE(window.SawGoDisabled);
    EXPECT_TRUE(window.GoEnabled);
    EXPECT_TRUE(window.CloseEnabled);
    EXPECT_EQ(MailboxSize(account), 0);
}

TEST_F(StartScreening, AccountWithoutHintsGetsNoSmtpTest) {
    Account& account = AddMailbox({});
    account.Pop3Tested = false;
    account.SmtpTested = false;
    account.SmtpServer.clear(); // would fail, were it tested
    EXPECT_TRUE(engine->StartScreening());
    EXPECT_TRUE(StoredFlag(account, "POP3 Tested"));
    EXPECT_FALSE(StoredFlag(account, "SMTP Tested"));
    EXPECT_FALSE(window.PlainLines().join("\n").contains("SMTP"));
}

TEST_F(StartScreening, FirstAccountFailingStillTestsTheSecondAndWarnsOnce) {
    Account& broken = AddMailbox({});
    broken.Pop3Tested = false;
    broken.Pop3Password = "wrong";
    Account& good = AddMailbox({}, "hint|");
    good.Pop3Tested = false;
    good.SmtpTested = false;
    EXPECT_FALSE(engine->StartScreening());
    EXPECT_EQ(window.Warnings,
              QStringList({"One or more accounts failed to pass a connection test. Please note "
                           "the errors on the status screen and correct the problem(s) before "
                           "proceeding."}));
    EXPECT_TRUE(window.HasLine("Error 500: POP3 error while giving password"));
    EXPECT_TRUE(window.HasLine("Server said: -ERR [AUTH] Authentication failed."));
    EXPECT_FALSE(StoredFlag(broken, "POP3 Tested"));
    EXPECT_TRUE(StoredFlag(good, "POP3 Tested"));
    EXPECT_TRUE(StoredFlag(good, "SMTP Tested"));
    EXPECT_TRUE(window.AddEnabled);
    EXPECT_TRUE(window.TreeEnabled);
    EXPECT_FALSE(window.PlainLines().join("\n").contains("RESULTS")) << "no pass after a failure";
}

// A server that will take no reply from the account fails the test in its own words, before
// any message is deleted.
TEST_F(StartScreening, SmtpTestAsksTheServerToTakeAReply) {
    SmtpSinkOptions options;
    options.Enhanced = true;
    Account& account = AddMailbox({Mail("spam@bad.example", "x")}, "hint|");
    options.Rejects = {{account.SmtpAddress, "550 5.7.1 Authentication required"}};
    SmtpSink refusing(options);
    account.SmtpPort = QString::number(refusing.Port());
    account.SmtpTested = false;
    EXPECT_FALSE(engine->StartScreening());
    EXPECT_TRUE(window.HasLine("Checking that the server takes replies.."));
    EXPECT_TRUE(window.HasLine("Error 550: SMTP error while checking the reply recipient"));
    EXPECT_TRUE(window.HasLine("Server said: 550 5.7.1 Authentication required"));
    EXPECT_FALSE(StoredFlag(account, "SMTP Tested"));
    EXPECT_EQ(MailboxSize(account), 1);
    EXPECT_TRUE(refusing.Messages().isEmpty());
}

TEST_F(StartScreening, AllFlagsOnMeansNoTest) {
    AddMailbox({});
    window.Lines = {"kept"};
    window.Options.AutoMode = true;
    EXPECT_TRUE(engine->StartScreening());
    EXPECT_TRUE(window.DateLabels.isEmpty());
    EXPECT_EQ(window.Lines, QStringList({"kept"})) << "the start does not clear the list";
    EXPECT_EQ(window.AutomaticStarts, 1);
    EXPECT_EQ(window.TrayTips, QStringList({"Sievra\rWaiting to run..."}));
}

} // namespace
