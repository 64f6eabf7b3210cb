// Strangers who once wrote with a code word, against the real POP3 and SMTP servers.
#include "EngineFixture.h"
#include "history/LearnedSenders.h"

using namespace sievra;
using namespace sievra::test;

namespace {

const QString Anna = QStringLiteral("Anna <anna@stranger.example>");

QString DateLine(const QDateTime& time) {
    return "Date: " + time.toString(Qt::RFC2822Date);
}

class LearnedSendersPass : public EngineFixture {
protected:
    // After the messages' dates, whatever the machine's clock says.
    void SetUp() override {
        EngineFixture::SetUp();
        engine->SetClock([this] { return now; });
    }
    QDateTime now = QDateTime(QDate(2027, 1, 1), QTime(9, 0), Qt::UTC);

    Account& FruitAccount(const QList<QByteArray>& messages) {
        Account& account = AddMailbox(messages, QStringLiteral("name a fruit with a crown|"));
        account.CodeWords = QStringLiteral("pineapple|");
        return account;
    }
    // One more pass over the messages added now; true when it sent no reply.
    bool PassWithoutReply(const Account& account, const QList<QByteArray>& messages) {
        pop->AddMessages(account.Pop3User, messages);
        window.Lines.clear();
        const qsizetype sent = smtp->Messages().size();
        engine->RunPass();
        return !window.PlainLines().join('\n').contains("Sending") &&
               smtp->Messages().size() == sent;
    }
    QStringList Learned(const Account& account) {
        return engine->Learned()->Addresses(account.KeyName);
    }
};

TEST_F(LearnedSendersPass, OneCodeWordLetsTheStrangerWriteWithoutItFromThenOn) {
    Account& account = FruitAccount({Mail(Anna, "hello")});
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 0);
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 1));
    EXPECT_EQ(MailsSince(mailsBefore).last().RcptTos, QStringList{"anna@stranger.example"});
    EXPECT_TRUE(Learned(account).isEmpty()) << "a rejected message teaches nothing";

    EXPECT_TRUE(PassWithoutReply(account, {Mail(Anna, "Re: hello, =?utf-8?q?pineapple?=")}));
    EXPECT_EQ(MailboxSize(account), 1);
    EXPECT_TRUE(window.HasLine("Remembered anna@stranger.example (code word)"));
    const QList<LearnedSender> rows = engine->Learned()->List(account.KeyName);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].Subject, "Re: hello, pineapple");
    EXPECT_EQ(rows[0].MessageDate, "Tue, 8 Dec 2026 10:00:00 +0000");

    // Known now, whatever the subject, the case of the address or a later code word.
    EXPECT_TRUE(PassWithoutReply(
        account, {Mail("ANNA@stranger.example", "third"), Mail(Anna, "pineapple again")}));
    EXPECT_EQ(MailboxSize(account), 3);
    EXPECT_FALSE(window.PlainLines().join('\n').contains("Remembered"));

    // Forgotten, her mail needs the code word again; her old mail with it, still on the
    // server, does not teach her again.
    EXPECT_EQ(engine->Learned()->Forget("anna@stranger.example", account.KeyName), 1);
    pop->AddMessages(account.Pop3User, {Mail(Anna, "fourth")});
    engine->RunPass();
    EXPECT_EQ(engine->Counters().DeletedCount, 2);
    const QList<QByteArray> left = pop->Messages(account.Pop3User);
    ASSERT_EQ(left.size(), 2);
    EXPECT_TRUE(left[1].contains("pineapple again"));
    EXPECT_TRUE(Learned(account).isEmpty());
}

// Programs and forgers may know a code word too: their mail is kept, nobody is learned.
TEST_F(LearnedSendersPass, AutomaticAndForgedMailTeachNothing) {
    Account& account = FruitAccount(
        {Mail("robot@shop.example", "pineapple deals", {"Auto-Submitted: auto-generated"}),
         Mail("fruit@lists.example", "pineapple digest", {"List-Id: <fruit.lists.example>"}),
         Mail("eve@bank.example", "pineapple",
              {"Authentication-Results: mx.home.example;\n dmarc=fail header.from=bank.example",
               "Authentication-Results: mx.bank.example; dmarc=pass header.from=bank.example"}),
         Mail("noreply@shop.example", "pineapple")});
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 4);
    EXPECT_TRUE(Learned(account).isEmpty());
    EXPECT_FALSE(window.PlainLines().join('\n').contains("Remembered"));

    pop->AddMessages(account.Pop3User,
                     {Mail("robot@shop.example", "deals"), Mail("eve@bank.example", "hi")});
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 4);
}

// A learned sender is accepted like an allowed one, so a failed check of its domain counts.
TEST_F(LearnedSendersPass, ForgedMailFromALearnedSenderIsJudgedByCodeWords) {
    Account& account = FruitAccount({Mail(Anna, "pineapple")});
    engine->RunPass();
    ASSERT_EQ(Learned(account), QStringList{"anna@stranger.example"});
    pop->AddMessages(account.Pop3User, {Mail(Anna, "invoice",
                                             {"Authentication-Results: mx.home.example; "
                                              "dmarc=fail header.from=stranger.example"})});
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 1);
}

// Mail left on the server is read again by every pass: only a newly written message keeps a
// sender, and an old one does not teach a forgotten sender again.
TEST_F(LearnedSendersPass, QuietSendersAreForgottenAfterTheSetDays) {
    const QDateTime start = now;
    Account& account = FruitAccount({Mail(Anna, "pineapple"), Mail("bob@b.example", "pineapple")});
    engine->RunPass();
    ASSERT_EQ(Learned(account).size(), 2);

    now = start.addDays(200);
    EXPECT_TRUE(PassWithoutReply(account, {Mail("bob@b.example", "news", {DateLine(now)})}));
    now = start.addDays(400);
    pop->AddMessages(account.Pop3User, {Mail(Anna, "long time", {DateLine(now)}),
                                        Mail("bob@b.example", "more", {DateLine(now)})});
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Forgot anna@stranger.example: nothing from them in 365 days."));
    EXPECT_EQ(Learned(account), QStringList{"bob@b.example"});
    EXPECT_EQ(engine->Counters().DeletedCount, 1);
    EXPECT_EQ(MailboxSize(account), 4);
}

TEST_F(LearnedSendersPass, AnAccountThatDoesNotRememberNeedsTheCodeWordEveryTime) {
    Account& account = FruitAccount({Mail(Anna, "pineapple")});
    account.RememberCodeWordSenders = false;
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 1);
    EXPECT_TRUE(Learned(account).isEmpty());
    pop->AddMessages(account.Pop3User, {Mail(Anna, "no fruit")});
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 1);
}

// Mail kept because its sender was learned is not skipped as kept once learning is off.
TEST_F(LearnedSendersPass, TurningLearningOffMakesTheNextPassLookAgain) {
    Account& account = FruitAccount({Mail(Anna, "pineapple"), Mail(Anna, "no fruit")});
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 2);
    window.Lines.clear();
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("2 message(s) kept by an earlier pass: not checked again."));
    account.RememberCodeWordSenders = false;
    window.Lines.clear();
    engine->RunPass();
    EXPECT_TRUE(window.HasLine("Retrieving 2 header(s).."));
    EXPECT_EQ(MailboxSize(account), 1);
}

} // namespace
