// Replies to the senders of deleted mail, through the real SMTP server, and the queue file.
#include "EngineFixture.h"

#include <QDir>

using namespace sievra;
using namespace sievra::test;

namespace {

class ReplyPhase : public EngineFixture {
protected:
    QStringList Recipients(const QList<ReceivedMail>& mails) const {
        QStringList all;
        for (const ReceivedMail& mail : mails) {
            all += mail.RcptTos;
        }
        return all;
    }
};

const QString Hints = QStringLiteral("a fruit with a crown|what monkeys like|");

TEST_F(ReplyPhase, OneReplyPerSenderToTheFormSeenFirstWithTheWholeText) {
    AddMailbox({Mail("Spammer <Spam@Bad.example>", "one"), Mail("spam@bad.example", "two"),
                Mail("other@bad.example", "three")},
               Hints);
    engine->RunPass();
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 2))
        << window.PlainLines().join("\n").toStdString();
    const QList<ReceivedMail> mails = MailsSince(mailsBefore);
    ASSERT_EQ(mails.size(), 2) << window.PlainLines().join("\n").toStdString();
    EXPECT_EQ(Recipients(mails), QStringList({"other@bad.example", "Spam@Bad.example"}));
    const ReceivedMail& mail = mails[1];
    EXPECT_EQ(mail.MailFrom, "<>");
    const QByteArray data = mail.Data;
    const qsizetype bodyAt = data.indexOf("\r\n\r\n");
    ASSERT_GT(bodyAt, 0);
    const QByteArray header = data.left(bodyAt);
    EXPECT_TRUE(header.startsWith("Reply-To: me@home.example\r\n"
                                  "From: Me Myself <me@home.example>\r\nTo: Spam@Bad.example\r\n"
                                  "Subject: Your message was deleted!\r\n"
                                  "Message-ID: <"))
        << header.toStdString();
    EXPECT_EQ(data.mid(bodyAt + 4),
              "Header line one\r\nHeader line two\r\n\r\n"
              "a fruit with a crown\r\nwhat monkeys like\r\n\r\n(footer)\r\n");
    EXPECT_TRUE(window.HasLine("Sending 2 message(s).."));
    EXPECT_TRUE(window.HasLabel("Sending message 2 of 2"));
    EXPECT_TRUE(window.HasLabel("Backing up addresses.."));
    EXPECT_TRUE(window.HasLine("Disconnecting from SMTP server.."));
    EXPECT_TRUE(Section(window.AccountRecords.back().KeyName).isEmpty());
}

// Only a plain mailbox is ever queued: an SMTP parameter, a group or an address too long to
// fold would be refused by the server and then hold up every later reply of the account. The
// header reader takes the one mailbox out of a trailing parameter or a group, so those are
// answered at that mailbox alone; what it cannot read as a mailbox is refused with a line.
TEST_F(ReplyPhase, InvalidOrUnsafeReplyAddressesAreDeletedButNotAnswered) {
    const QString longAddress = QString(1100, QLatin1Char('l')) + QStringLiteral("@bad.example");
    const Account& account = AddMailbox(
        {Mail("no-at-sign.example", "x"), Mail("two@@bad.example", "y"),
         Mail("ok@bad.example", "z", {"Reply-To: a@b.example\rX-Evil: yes"}),
         Mail("p@bad.example", "p", {"Reply-To: a@x.example> NOTIFY=SUCCESS"}),
         Mail("g@bad.example", "g", {"Reply-To: g:v@x.example;"}),
         Mail("l@bad.example", "l", {"Reply-To: " + longAddress}), Mail("good@bad.example", "w")},
        Hints);
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 0);
    EXPECT_EQ(engine->Counters().DeletedCount, 7);
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 3));
    EXPECT_EQ(Recipients(MailsSince(mailsBefore)),
              QStringList({"a@x.example", "good@bad.example", "v@x.example"}));
    EXPECT_EQ(window.PlainLines().filter("X-Evil: yes\": not a plain mail address.").size(), 1)
        << window.PlainLines().join("\n").toStdString();
    EXPECT_EQ(window.PlainLines().filter("not a plain mail address").size(), 2)
        << window.PlainLines().join("\n").toStdString();
    EXPECT_EQ(engine->Counters().ErrorCount, 0);
    EXPECT_TRUE(Section(account.KeyName).isEmpty());
}

// A queue written before the check (or by hand) loses its poisoned entries, the rest is sent.
TEST_F(ReplyPhase, PoisonedQueueEntriesAreDroppedNotSent) {
    Account& account = AddMailbox({}, Hints);
    engine->Queue().Update([&](IniDocument& doc) {
        doc.ReplaceSection(account.KeyName, {"a@x.example> NOTIFY=SUCCESS", "fine@bad.example"});
    });
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Dropped 1 queued address(es) that are not plain mailboxes."));
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 1));
    EXPECT_EQ(Recipients(MailsSince(mailsBefore)), QStringList({"fine@bad.example"}));
    EXPECT_TRUE(Section(account.KeyName).isEmpty());
}

// When the addresses cannot be saved, RSET takes the deletions back before QUIT: the messages
// stay on the server and the next pass decides them again.
TEST_F(ReplyPhase, UnsavableAddressesKeepTheirMessagesOnTheServer) {
    Account& account =
        AddMailbox({Mail("spam@bad.example", "x"), Mail("friend@example.org", "y")}, Hints);
    const QString lock = engine->Queue().Path() + ".lock";
    ASSERT_TRUE(QDir().mkpath(lock)); // a folder where the lock file goes: nothing is written
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 2) << window.PlainLines().join("\n").toStdString();
    EXPECT_EQ(engine->Counters().DeletedCount, 0);
    EXPECT_TRUE(window.HasLine("1 message(s) left on the server, since the addresses to reply to "
                               "could not be saved."));
    EXPECT_TRUE(window.PlainLines().filter("Cannot lock").size() == 1);
    EXPECT_EQ(MailsSince(mailsBefore).size(), 0);

    ASSERT_TRUE(QDir().rmdir(lock));
    window.Lines.clear();
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 1);
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 1));
}

TEST_F(ReplyPhase, ReplyToWinsOverFrom) {
    AddMailbox({Mail("spam@bad.example", "x", {"Reply-To: Answers <answers@bad.example>"})}, Hints);
    engine->RunPass();
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 1));
    EXPECT_EQ(MailsSince(mailsBefore)[0].RcptTos, QStringList({"answers@bad.example"}));
}

TEST_F(ReplyPhase, EmptyDisplayNameGivesTheBareAddress) {
    Account& account = AddMailbox({Mail("spam@bad.example", "x")}, Hints);
    account.SmtpDisplayName.clear();
    engine->RunPass();
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 1));
    EXPECT_TRUE(MailsSince(mailsBefore)[0].Data.contains("\r\nFrom: me@home.example\r\n"));
}

TEST_F(ReplyPhase, UnreachableServerKeepsTheQueueForTheNextPass) {
    Account& account = AddMailbox(
        {Mail("c@bad.example", "x"), Mail("a@bad.example", "y"), Mail("b@bad.example", "z")},
        Hints);
    account.SmtpPort = QString::number(FreeLoopbackPort());
    engine->RunPass();
    EXPECT_EQ(Section(account.KeyName),
              QStringList({"0=a@bad.example", "1=b@bad.example", "2=c@bad.example"}));
    EXPECT_TRUE(window.PlainLines().join("\n").contains("Error 10061: SMTP"));

    account.SmtpPort = QString::number(smtp->Port());
    window.Lines.clear();
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Restoring 3 addresses.."));
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 3));
    EXPECT_EQ(Recipients(MailsSince(mailsBefore)),
              QStringList({"a@bad.example", "b@bad.example", "c@bad.example"}));
    EXPECT_TRUE(Section(account.KeyName).isEmpty());
}

// The parameter: the server offers PIPELINING, so each reply's commands travel together.
class RefusingReplyPhase : public ReplyPhase, public testing::WithParamInterface<bool> {
protected:
    void RunWithThirdRefused(const QString& reply) { RunWithRefused({"c@bad.example"}, reply); }
    void RunWithRefused(const QStringList& refused, const QString& reply, bool enhanced = true) {
        SmtpSinkOptions options;
        for (const QString& address : refused) {
            options.Rejects.append({address, reply});
        }
        options.Enhanced = enhanced;
        options.Pipelining = GetParam();
        refusing = std::make_unique<SmtpSink>(options);
        Account& account = AddMailbox({Mail("a@bad.example", "1"), Mail("b@bad.example", "2"),
                                       Mail("c@bad.example", "3"), Mail("d@bad.example", "4"),
                                       Mail("e@bad.example", "5")},
                                      Hints);
        account.SmtpPort = QString::number(refusing->Port());
        engine->RunPass();
        keyName = account.KeyName;
    }
    std::unique_ptr<SmtpSink> refusing;
    QString keyName;
};

TEST_P(RefusingReplyPhase, MailboxUnavailableCountsAsServed) {
    RunWithThirdRefused("550 5.1.1 <c@bad.example>: Recipient address rejected");
    ASSERT_TRUE(refusing->WaitForMessages(4));
    EXPECT_EQ(Recipients(refusing->Messages()),
              QStringList({"a@bad.example", "b@bad.example", "d@bad.example", "e@bad.example"}));
    EXPECT_TRUE(Section(keyName).isEmpty());
    EXPECT_EQ(engine->Counters().ErrorCount, 0);
    EXPECT_TRUE(window.HasLine("Reply to c@bad.example dropped: 550 5.1.1 <c@bad.example>: "
                               "Recipient address rejected"));
}

// A domain that does not resolve yet (Postfix's 450 by default): that address waits, the
// others go; after five passes refused in a row it is dropped.
TEST_P(RefusingReplyPhase, TemporaryRefusalKeepsOnlyThatAddressForFivePasses) {
    const QString refusal =
        "450 4.1.2 <c@bad.example>: Recipient address rejected: Domain not found";
    RunWithThirdRefused(refusal);
    ASSERT_TRUE(refusing->WaitForMessages(4));
    EXPECT_EQ(Section(keyName), QStringList({"2=c@bad.example"}));
    EXPECT_TRUE(window.HasLine("Reply to c@bad.example kept for the next pass: " + refusal));
    EXPECT_EQ(engine->Counters().ErrorCount, 0);
    for (int pass = 2; pass <= 5; ++pass) {
        window.Lines.clear();
        engine->RunPass();
    }
    EXPECT_TRUE(
        window.HasLine("Reply to c@bad.example dropped: refused on 5 passes in a row: " + refusal))
        << window.PlainLines().join("\n").toStdString();
    EXPECT_TRUE(Section(keyName).isEmpty());
    EXPECT_TRUE(Section(DeferralCounts::SectionOf(keyName)).isEmpty());
    EXPECT_EQ(refusing->Messages().size(), 4);
}

// Exim with authentication required refuses every recipient with 5.7.1: nothing is dropped.
TEST_P(RefusingReplyPhase, PolicyRefusalStopsAndKeepsTheRest) {
    RunWithThirdRefused("550 5.7.1 <c@bad.example>: Relay access denied");
    ASSERT_TRUE(refusing->WaitForMessages(2));
    EXPECT_EQ(Section(keyName),
              QStringList({"2=c@bad.example", "3=d@bad.example", "4=e@bad.example"}));
    EXPECT_TRUE(window.HasLine("Error 550: SMTP error while sending mail"));
    EXPECT_TRUE(window.HasLine("Server said: 550 5.7.1 <c@bad.example>: Relay access denied"));
    EXPECT_EQ(engine->Counters().ErrorCount, 1);
}

// Without enhanced codes, the same words for three recipients in a row read as a policy.
TEST_P(RefusingReplyPhase, TheSameRefusalThreeTimesInARowStops) {
    RunWithRefused({"b@bad.example", "c@bad.example", "d@bad.example"},
                   "550 Authentication required", false);
    ASSERT_TRUE(refusing->WaitForMessages(1));
    EXPECT_EQ(Recipients(refusing->Messages()), QStringList({"a@bad.example"}));
    EXPECT_EQ(Section(keyName), QStringList({"3=d@bad.example", "4=e@bad.example"}));
    EXPECT_EQ(window.PlainLines().filter("dropped: 550 Authentication required").size(), 2);
    EXPECT_EQ(engine->Counters().ErrorCount, 1);
}

TEST_P(RefusingReplyPhase, OtherRefusalStopsAndKeepsTheRest) {
    RunWithThirdRefused("452 4.2.2 <c@bad.example>: Mailbox full");
    ASSERT_TRUE(refusing->WaitForMessages(2));
    EXPECT_EQ(Recipients(refusing->Messages()), QStringList({"a@bad.example", "b@bad.example"}));
    EXPECT_EQ(Section(keyName),
              QStringList({"2=c@bad.example", "3=d@bad.example", "4=e@bad.example"}));
    EXPECT_TRUE(window.HasLine("Error 452: SMTP error while sending mail"));
    EXPECT_TRUE(window.HasLine("Server said: 452 4.2.2 <c@bad.example>: Mailbox full"));
    EXPECT_EQ(engine->Counters().ErrorCount, 1);
}

INSTANTIATE_TEST_SUITE_P(Offered, RefusingReplyPhase, testing::Bool(), [](const auto& param) {
    return param.param ? "Pipelining" : "StepByStep";
});

TEST_F(ReplyPhase, LeftoversAreSentWhenNothingNewWasDeleted) {
    Account& account = AddMailbox({Mail("friend@example.org", "kept")}, Hints);
    engine->Queue().Update([&](IniDocument& doc) {
        doc.WriteEntry(account.KeyName, "0", "late@bad.example");
        doc.WriteEntry(account.KeyName, "junk", "bad\x01@control.example");
    });
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Restoring 2 addresses.."));
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 1));
    EXPECT_EQ(Recipients(MailsSince(mailsBefore)), QStringList({"late@bad.example"}));
    EXPECT_TRUE(Section(account.KeyName).isEmpty());
    EXPECT_EQ(MailboxSize(account), 1);
}

TEST_F(ReplyPhase, NonAsciiAddressIsDroppedWhereTheServerLacksSmtpUtf8) {
    SmtpSinkOptions options;
    options.Without = {"SMTPUTF8"};
    SmtpSink plain(options);
    Account& account = AddMailbox({}, Hints);
    account.SmtpPort = QString::number(plain.Port());
    engine->Queue().Update([&](IniDocument& doc) {
        doc.WriteEntry(account.KeyName, "0", "jürgen@bad.example");
        doc.WriteEntry(account.KeyName, "1", "late@bad.example");
    });
    engine->RunPass();
    ASSERT_TRUE(plain.WaitForMessages(1));
    EXPECT_EQ(Recipients(plain.Messages()), QStringList({"late@bad.example"}));
    EXPECT_TRUE(window.HasLine("Reply to jürgen@bad.example dropped: the server takes no "
                               "address outside ASCII (no SMTPUTF8)"));
    EXPECT_TRUE(Section(account.KeyName).isEmpty());
    EXPECT_EQ(engine->Counters().ErrorCount, 0);
}

TEST_F(ReplyPhase, AccountWithoutHintsLeavesItsSectionAlone) {
    Account& account = AddMailbox({Mail("spam@bad.example", "x")});
    engine->Queue().Update(
        [&](IniDocument& doc) { doc.WriteEntry(account.KeyName, "0", "old@bad.example"); });
    engine->RunPass();
    EXPECT_EQ(Section(account.KeyName), QStringList({"0=old@bad.example"}));
    EXPECT_EQ(MailsSince(mailsBefore).size(), 0);
}

TEST_F(ReplyPhase, AuthenticatedSessionCountsTheUsualRepliesAsSuccess) {
    SmtpSinkOptions options;
    options.AuthUser = "smtp-user";
    options.AuthPassword = "smtp-pw";
    SmtpSink authenticating(options);
    Account& account = AddMailbox({Mail("spam@bad.example", "x")}, Hints);
    account.SmtpPort = QString::number(authenticating.Port());
    account.RequiresAuth = true;
    account.SmtpUser = "smtp-user";
    account.SmtpPassword = "smtp-pw";
    engine->RunPass();
    ASSERT_TRUE(authenticating.WaitForMessages(1)) << window.PlainLines().join("\n").toStdString();
    EXPECT_EQ(authenticating.Messages()[0].AuthLogin, "smtp-user");
    EXPECT_EQ(engine->Counters().ErrorCount, 0);
}

} // namespace
