// Whole passes against the real POP3 server: what is fetched, decided, deleted and reported.
#include "EngineFixture.h"

#include <QTimer>
#include <functional>
#include <utility>

using namespace sievra;
using namespace sievra::test;

namespace {

class ScreeningPass : public EngineFixture {};

TEST_F(ScreeningPass, EmptyMailboxGivesNoMessagesAndIsQuit) {
    AddMailbox({});
    engine->RunPass();
    EXPECT_EQ(window.Lines.last(),
              "<font color=\"clGreen\"><B>RESULTS: No messages. 0 Error(s)</B>");
    EXPECT_TRUE(window.HasLine("Disconnecting from POP server.."));
    EXPECT_FALSE(window.PlainLines().join("\n").contains("Checking"));
    EXPECT_FALSE(window.PlainLines().join("\n").contains("Retrieving"));
    EXPECT_EQ(window.Lines.first(), "<B>Connecting to <font color=\"clGreen\">127.0.0.1</B>");
    EXPECT_EQ(window.Lines.at(window.Lines.size() - 2),
              "Address book: 1 address from Windows Address Book: book.wab");
    EXPECT_TRUE(window.DateLabels.last().startsWith("Status as of: "));
}

TEST_F(ScreeningPass, ThreeMessagesWithTheSecondRejected) {
    WriteBook({"Friend@Example.org"});
    Account& account = AddMailbox({Mail("Friend <friend@example.org>", "hello"),
                                   Mail("spammer@bad.example", "buy now"),
                                   Mail("stranger@x.example", "about the pineapple")});
    account.CodeWords = "PINEAPPLE|";
    engine->RunPass();

    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(window.HasLabel(QStringLiteral("Checking message %1 of 3").arg(i)));
        EXPECT_TRUE(window.HasLabel(QStringLiteral("Retrieving header %1 of 3").arg(i)));
    }
    EXPECT_TRUE(window.HasLabel("Deleting message 2"));
    EXPECT_FALSE(window.HasLabel("Deleting message 1"));
    EXPECT_FALSE(window.HasLabel("Deleting message 3"));
    EXPECT_TRUE(window.HasLine("Retrieving 3 header(s).."));
    EXPECT_TRUE(window.HasLine("Checking 3 message(s).."));
    EXPECT_EQ(engine->Counters().DeletedCount, 1);
    EXPECT_EQ(engine->Counters().WaitingCount, 2);
    EXPECT_EQ(window.PlainLines().last(), "RESULTS: 2 waiting. 1 deleted. 0 Error(s)");
    const auto left = pop->Messages(account.Pop3User);
    ASSERT_EQ(left.size(), 2);
    EXPECT_TRUE(left[0].contains("Subject: hello"));
    EXPECT_TRUE(left[1].contains("pineapple"));
}

// A later pass under the same rules fetches only the headers of mail it has not seen, and still
// counts the kept mail as waiting; a change of the rules makes it look at everything again.
TEST_F(ScreeningPass, KeptMailIsNotFetchedAgainUntilTheRulesChange) {
    WriteBook({"friend@example.org"});
    Account& account =
        AddMailbox({Mail("friend@example.org", "one"), Mail("spammer@bad.example", "buy now"),
                    Mail("friend@example.org", "two")});
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Retrieving 3 header(s).."));
    pop->AddMessages(account.Pop3User, {Mail("stranger@x.example", "about the pineapple")});

    engine->RunPass();
    EXPECT_TRUE(window.HasLine("2 message(s) kept by an earlier pass: not checked again."));
    EXPECT_TRUE(window.HasLine("Retrieving 1 header(s).."));
    EXPECT_TRUE(window.HasLabel("Deleting message 3"));
    EXPECT_EQ(window.PlainLines().last(), "RESULTS: 2 waiting. 1 deleted. 0 Error(s)");

    // Each rule that decides what is kept makes the next pass look at every message again.
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"sender check",
         [&] {
             account.CheckSenderAuthentication = false;
         }},
        {"restore key",
         [&] {
             window.Options.RestoreKey = "another key";
         }},
        {"learning",
         [&] {
             account.RememberCodeWordSenders = false;
         }},
    };
    const QString notAgain = "2 message(s) kept by an earlier pass: not checked again.";
    for (const auto& [rule, change] : changes) {
        window.Lines.clear();
        engine->RunPass();
        ASSERT_TRUE(window.HasLine(notAgain)) << rule;
        change();
        window.Lines.clear();
        engine->RunPass();
        EXPECT_TRUE(window.HasLine("Retrieving 2 header(s)..")) << rule;
        EXPECT_FALSE(window.HasLine(notAgain)) << rule;
    }

    pop->AddMessages(account.Pop3User, {Mail("stranger@x.example", "about the pineapple")});
    account.CodeWords = "PINEAPPLE|";
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Retrieving 3 header(s).."));
    EXPECT_EQ(window.PlainLines().last(), "RESULTS: 3 waiting. 0 deleted. 0 Error(s)");
    EXPECT_EQ(pop->Messages(account.Pop3User).size(), 3);
}

// The five messages of the report, as mail programs write them, are kept and nobody is
// answered; a stranger's reply goes where its folded Reply-To says.
TEST_F(ScreeningPass, MailAsMailProgramsWriteItIsReadWhole) {
    WriteBook({"mom@family.example"});
    Account& account =
        AddMailbox({Mail("stranger@x.example", "=?utf-8?b?R3LDvMOfZSDigJMgYmFuYW5hIGJyZWFk?="),
                    Mail("stranger@x.example", "Recipes for you,\n\tbanana bread inside"),
                    Mail("=?utf-8?b?TWFtYQ==?=\n <mom@family.example>", "hello"),
                    Mail("mom@family.example (Mom)", "hello"),
                    Mail("\"Mom <home>\" <mom@family.example>", "hello"),
                    Mail("Shop <sales@shop.example>", "buy now",
                         {"Reply-To: \"Shop <sales>\"\n <answers@shop.example>"})},
                   "a fruit with a crown|");
    account.CodeWords = "banana|";
    engine->RunPass();
    EXPECT_EQ(engine->Counters().WaitingCount, 5);
    EXPECT_EQ(MailboxSize(account), 5);
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 1));
    const QList<ReceivedMail> replies = MailsSince(mailsBefore);
    ASSERT_EQ(replies.size(), 1);
    EXPECT_EQ(replies[0].RcptTos, QStringList({"answers@shop.example"}));
}

TEST_F(ScreeningPass, InactiveAccountIsSkippedSilently) {
    Account& idle = AddMailbox({Mail("spammer@bad.example", "spam")});
    idle.Active = false;
    AddMailbox({});
    engine->RunPass();
    EXPECT_EQ(MailboxSize(idle), 1);
    EXPECT_EQ(window.PlainLines().filter("Connecting to").size(), 1);
}

TEST_F(ScreeningPass, MissingPasswordIsCountedAndTheNextAccountScreened) {
    Account& first = AddMailbox({Mail("spammer@bad.example", "spam")});
    first.Pop3Password.clear();
    const Account& second = AddMailbox({Mail("spammer@bad.example", "spam")});
    engine->RunPass();
    EXPECT_EQ(window.Lines.first(), "<B><font color=\"clRed\">No POP3 User Password!</B>");
    EXPECT_EQ(engine->Counters().ErrorCount, 1);
    EXPECT_EQ(MailboxSize(first), 1);
    EXPECT_EQ(MailboxSize(second), 0);
    EXPECT_EQ(window.Lines.last(), "<font color=\"clGreen\"><B>RESULTS: 0 waiting. 1 deleted. "
                                   "<font color=\"clRed\">1 Error(s)</B>");
}

TEST_F(ScreeningPass, UnreachableFirstServerEndsThePass) {
    Account& first = AddMailbox({});
    first.Pop3Port = QString::number(FreeLoopbackPort());
    const Account& second = AddMailbox({Mail("spammer@bad.example", "spam")});
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Error 10061: POP3 error while connecting to POP server"))
        << window.PlainLines().join("\n").toStdString();
    EXPECT_TRUE(window.HasLine(first.AccountName + ": 127.0.0.1 refused the connection on port " +
                               first.Pop3Port));
    EXPECT_EQ(MailboxSize(second), 1) << "the second account must not be screened";
    EXPECT_EQ(window.PlainLines().filter("Connecting to").size(), 1);
    EXPECT_TRUE(window.PlainLines().last().startsWith("RESULTS: No messages. 1 Error(s)"));
}

TEST_F(ScreeningPass, AddressBookProblemsStopBeforeAnyServer) {
    AddMailbox({Mail("spammer@bad.example", "spam")});
    window.Options.WabFile = home.Path() + "/missing.wab";
    engine->RunPass();
    EXPECT_EQ(window.PlainLines(), QStringList({"Unable to open " + window.Options.WabFile + "!",
                                                "Error: Unable to load address book."}));
    WriteBook({});
    window.Lines.clear();
    engine->RunPass();
    EXPECT_EQ(window.PlainLines(), QStringList({"Error: No valid addresses in address book."}));
    EXPECT_EQ(MailboxSize(window.AccountRecords.front()), 1);
    EXPECT_TRUE(engine->LastPassHadErrors());
}

TEST_F(ScreeningPass, SourcesAndAllowedSendersMakeOneSet) {
    window.Options.WabFile.clear();
    window.Options.AddressBooks = {home.WriteFile("friends.vcf",
                                                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Friend\r\n"
                                                  "EMAIL:friend@example.org\r\nEND:VCARD\r\n"
                                                  "BEGIN:VCARD\r\nEMAIL:FRIEND@example.org\r\n"
                                                  "END:VCARD\r\n")};
    window.Options.AllowedSenders = {"@partner.example", "*.corp.example", "not an entry"};
    const Account& account =
        AddMailbox({Mail("friend@example.org", "a"), Mail("x@partner.example", "b"),
                    Mail("y@eu.corp.example", "c"), Mail("z@sub.partner.example", "d")});
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Address book: 2 addresses from vCard file: friends.vcf"));
    EXPECT_TRUE(window.HasLine("Allowed senders: 2 (1 ignored: neither an address nor a domain)"));
    EXPECT_EQ(engine->Counters().WaitingCount, 3);
    EXPECT_EQ(engine->Counters().DeletedCount, 1);
    EXPECT_EQ(MailboxSize(account), 3);
}

// A source that went missing would delete its contacts' mail, so nothing is screened.
TEST_F(ScreeningPass, UnreadableSourceEndsThePassBeforeAnyDeletion) {
    const QString gone = home.Path() + "/moved-away.vcf";
    window.Options.AddressBooks = {gone};
    const Account& account = AddMailbox({Mail("spammer@bad.example", "spam")});
    engine->RunPass();
    EXPECT_EQ(window.PlainLines(),
              QStringList({"Address book: 1 address from Windows Address Book: book.wab",
                           "Unable to read address book " + gone + ": no such file or folder",
                           "Error: Unable to load address book."}));
    EXPECT_EQ(MailboxSize(account), 1);
    EXPECT_TRUE(engine->LastPassHadErrors());

    home.WriteFile("moved-away.vcf", "BEGIN:VCARD\nEMAIL:back@example.org\nEND:VCARD\n");
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 0);
    EXPECT_TRUE(window.HasLine("Address book: 1 address from vCard file: moved-away.vcf"));
}

TEST_F(ScreeningPass, AbortWhileFetchingHeadersDecidesNothing) {
    QList<QByteArray> many;
    for (int i = 0; i < 300; ++i) {
        many.append(Mail("spammer@bad.example", QStringLiteral("spam %1").arg(i)));
    }
    const Account& account = AddMailbox(many);
    const Account& later = AddMailbox({Mail("spammer@bad.example", "spam")});
    window.OnLabel = [&](const QString& label) {
        if (label == "Retrieving header 5 of 300") {
            QTimer::singleShot(0, engine.get(), [&] { engine->Abort(); });
        }
    };
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Aborting!"));
    EXPECT_EQ(window.PlainLines().filter("Aborted").size(), 1)
        << window.PlainLines().join("\n").toStdString();
    EXPECT_FALSE(window.PlainLines().join("\n").contains("Checking"));
    EXPECT_EQ(MailboxSize(account), 300);
    EXPECT_EQ(MailboxSize(later), 1);
    EXPECT_TRUE(window.PlainLines().last().startsWith("RESULTS: "));
    EXPECT_FALSE(window.AbortEnabled);
    EXPECT_TRUE(window.SawAbortEnabled);
}

TEST_F(ScreeningPass, NotifiesOnlyWhenTheWaitingCountIsNew) {
    window.Options.AutoMode = true;
    WriteBook({"friend@example.org"});
    Account& account =
        AddMailbox({Mail("friend@example.org", "a"), Mail("friend@example.org", "b")});
    const auto passWith = [&](int waiting) {
        pop->ClearMailbox(account.Pop3User);
        QList<QByteArray> mails;
        for (int i = 0; i < waiting; ++i) {
            mails.append(Mail("friend@example.org", QString::number(i)));
        }
        pop->AddMessages(account.Pop3User, mails);
        engine->RunPass();
    };
    engine->RunPass(); // 2 waiting
    passWith(2);
    passWith(3);
    passWith(0);
    EXPECT_EQ(window.Beeps, 2);
    EXPECT_EQ(window.Popups, QList<int>({2, 3}));
    EXPECT_EQ(window.AnimationStarts, 4);
    EXPECT_EQ(window.AnimationStops, 4);
    EXPECT_EQ(window.TrayTips.last(), "Sievra\r0 Messages Waiting\r0 Spams deleted\r0 Errors");
}

TEST_F(ScreeningPass, LaunchingTheMailClientFromThePopupResetsTheCount) {
    window.Options.AutoMode = true;
    window.OnPopup = [&](int) {
        engine->MailClientLaunched();
    };
    Account& account =
        AddMailbox({Mail("friend@example.org", "a"), Mail("friend@example.org", "b")});
    engine->RunPass();
    EXPECT_EQ(window.TrayTips.last(), "Sievra\r0 Messages Waiting\r0 Spams deleted\r0 Errors");
    engine->RunPass();
    EXPECT_EQ(window.Popups, QList<int>({2, 2})) << "2 waiting again is news after a launch";
    EXPECT_EQ(MailboxSize(account), 2);
}

TEST_F(ScreeningPass, TrayTipCountsTheDeletedTotalAcrossPasses) {
    window.Options.AutoMode = true;
    window.Options.VisualAlertOn = false;
    Account& account = AddMailbox({Mail("friend@example.org", "a"), Mail("spam@bad.example", "x")});
    engine->RunPass();
    EXPECT_EQ(window.TrayTips.first(), "Sievra\rChecking...");
    EXPECT_EQ(window.TrayTips.last(), "Sievra\r1 Message Waiting\r1 Spam deleted\r0 Errors");
    pop->AddMessages(account.Pop3User, {Mail("spam@bad.example", "y")});
    engine->RunPass();
    EXPECT_EQ(window.TrayTips.last(), "Sievra\r1 Message Waiting\r2 Spams deleted\r0 Errors");
}

} // namespace
