// Which senders a pass answers and how: automatic mail, forged contacts, one reply per sender
// per interval, the cap per pass, and the marks a reply carries, through the real servers.
#include "EngineFixture.h"

#include <QRegularExpression>

using namespace sievra;
using namespace sievra::test;

namespace {

const QString Hints = QStringLiteral("say banana|");

class ReplyGuards : public EngineFixture {
protected:
    QStringList Recipients(int since) const {
        QStringList all;
        for (const ReceivedMail& mail : MailsSince(since)) {
            all += mail.RcptTos;
        }
        all.sort();
        return all;
    }
    QString Lines() const { return window.PlainLines().join("\n"); }
};

// Ordinary strangers get one reply each; mail a program wrote, mail to the user's own address
// and a contact the receiving server found forged are deleted without one.
TEST_F(ReplyGuards, MixedMailboxRepliesOnlyToOrdinaryStrangersOncePerInterval) {
    const QString dmarcFail =
        "Authentication-Results: mx.home.example; spf=pass smtp.mailfrom=spam.example; "
        "dmarc=fail (p=reject) header.from=example.org";
    const QList<QByteArray> messages = {
        Mail("stranger@bad.example", "hello", {"Message-ID: <m1@bad.example>"}),
        Mail("Stranger <STRANGER@bad.example>", "again"),
        Mail("other@bad.example", "hi"),
        Mail("MAILER-DAEMON@mx.example", "Undelivered", {"Auto-Submitted: auto-replied"}),
        Mail("News <news@shop.example>", "Offers", {"Precedence: bulk"}),
        Mail("list@lists.example", "[garden] roses", {"List-Id: <garden.lists.example>"}),
        Mail("Away <away@bad.example>", "Out of office",
             {"Auto-Submitted:", "\tauto-replied (vacation)"}),
        Mail("x@bad.example", "yours", {"Reply-To: ME@home.example"}),
        Mail("friend@example.org", "wire money", {dmarcFail}),
        Mail("friend@example.org", "banana bread", {dmarcFail}),
        Mail("friend@example.org", "lunch",
             {"Authentication-Results: mx.home.example; dmarc=pass header.from=example.org",
              "Authentication-Results: forged; dmarc=fail"}),
    };
    Account& account = AddMailbox(messages, Hints);
    account.CodeWords = "banana|";
    engine->RunPass();

    const QList<QByteArray> kept = pop->Messages(account.Pop3User);
    ASSERT_EQ(kept.size(), 2) << Lines().toStdString();
    EXPECT_TRUE(kept[0].contains("Subject: banana bread"));
    EXPECT_TRUE(kept[1].contains("Subject: lunch"));
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 2));
    EXPECT_EQ(Recipients(mailsBefore), QStringList({"other@bad.example", "stranger@bad.example"}));
    for (const char* line : {
             "No reply to MAILER-DAEMON@mx.example: automatic message (Auto-Submitted: "
             "auto-replied)",
             "No reply to news@shop.example: bulk mail (Precedence: bulk)",
             "No reply to list@lists.example: mailing list (List-Id: <garden.lists.example>)",
             "No reply to away@bad.example: automatic message (Auto-Submitted: auto-replied "
             "(vacation))",
             "No reply to ME@home.example: own address (Reply address: ME@home.example)",
             "Message 9 from friend@example.org: forged sender (dmarc=fail); judged by the code "
             "words.",
             "No reply to friend@example.org: forged sender (dmarc=fail)",
             "Message 10 from friend@example.org: forged sender (dmarc=fail); judged by the "
             "code words.",
         }) {
        EXPECT_TRUE(window.HasLine(QString::fromLatin1(line))) << line << "\n"
                                                               << Lines().toStdString();
    }

    // The reply's own header block, byte for byte but for its Message-ID and Date.
    QByteArray data;
    for (const ReceivedMail& mail : MailsSince(mailsBefore)) {
        data = mail.RcptTos == QStringList{"stranger@bad.example"} ? mail.Data : data;
    }
    QString header = QString::fromLatin1(data.left(data.indexOf("\r\n\r\n")));
    header.replace(QRegularExpression("Message-ID: <[^>]+>"), "Message-ID: <id>")
        .replace(QRegularExpression("Date: [^\r]+"), "Date: D");
    EXPECT_EQ(header.toStdString(),
              "Reply-To: me@home.example\r\nFrom: Me Myself <me@home.example>\r\n"
              "To: stranger@bad.example\r\nSubject: Your message was deleted!\r\n"
              "Message-ID: <id>\r\nMime-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
              "Content-Transfer-Encoding: 7bit\r\nDate: D\r\n"
              "Auto-Submitted: auto-replied\r\nIn-Reply-To: <m1@bad.example>\r\n"
              "References: <m1@bad.example>\r\nX-Auto-Response-Suppress: All");

    // Within the interval the same sender is not answered again, by a restarted program too.
    pop->AddMessages(account.Pop3User, {Mail("stranger@bad.example", "third")});
    const int before = static_cast<int>(smtp->Messages().size());
    engine = std::make_unique<ScreeningEngine>(window, store.get());
    window.Lines.clear();
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 2);
    EXPECT_TRUE(window.HasLine("No reply to 1 address(es) answered in the last 7 day(s)."))
        << Lines().toStdString();
    EXPECT_TRUE(Section(account.KeyName).isEmpty());
    EXPECT_EQ(smtp->Messages().size(), static_cast<qsizetype>(before));
}

// Without the record of past replies any reply could be a second one: none goes, and the
// addresses wait in the queue for a pass that can read it.
TEST_F(ReplyGuards, UnreadableReplyRecordSendsNothingAndKeepsTheQueue) {
    const QString notAFolder = home.WriteFile("not-a-folder", "x");
    engine->SetHistoryPath(notAFolder + "/history.db");
    Account& account = AddMailbox({Mail("stranger@bad.example", "hello")}, Hints);
    // An account that remembers senders is not screened at all without its history; this one
    // is, so only the reply record is missing.
    account.RememberCodeWordSenders = false;
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 0);
    EXPECT_EQ(Section(account.KeyName), QStringList({"0=stranger@bad.example"}));
    EXPECT_EQ(smtp->Messages().size(), static_cast<qsizetype>(mailsBefore));
    EXPECT_TRUE(Lines().contains("no reply sent, every address stays queued"))
        << Lines().toStdString();
}

TEST_F(ReplyGuards, ForgedContactCountsWhenTheAccountDoesNotCheck) {
    Account& account =
        AddMailbox({Mail("friend@example.org", "hi",
                         {"Authentication-Results: mx; spf=fail smtp.mailfrom=example.org"})},
                   Hints);
    account.CheckSenderAuthentication = false;
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 1) << Lines().toStdString();
}

TEST_F(ReplyGuards, RepliesPastTheCapWaitForTheNextPass) {
    window.Options.RepliesPerPass = 2;
    window.Options.ReplyIntervalDays = 0; // every pass may answer again
    Account& account = AddMailbox(
        {Mail("a@bad.example", "1"), Mail("b@bad.example", "2"), Mail("c@bad.example", "3")},
        Hints);
    engine->RunPass();
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 2));
    EXPECT_EQ(Recipients(mailsBefore), QStringList({"a@bad.example", "b@bad.example"}));
    EXPECT_TRUE(window.HasLine(
        "1 address(es) stay queued for the next pass: at most 2 replies go out in one pass."))
        << Lines().toStdString();
    EXPECT_EQ(Section(account.KeyName), QStringList({"2=c@bad.example"}));

    pop->AddMessages(account.Pop3User, {Mail("a@bad.example", "4")});
    const int before = static_cast<int>(smtp->Messages().size());
    engine->RunPass();
    ASSERT_TRUE(smtp->WaitForMessages(before + 2));
    EXPECT_EQ(Recipients(before), QStringList({"a@bad.example", "c@bad.example"}));
    EXPECT_TRUE(Section(account.KeyName).isEmpty());
}

// Two screeners whose users are strangers to each other, each answering what reaches it:
// one reply each way, then silence, for 20 passes.
TEST_F(ReplyGuards, TwoScreenersDoNotLoop) {
    window.Options.ReplyIntervalDays = 0; // only the marks may stop the loop
    Account& a = AddMailbox({Mail("b@home-b.example", "hello from b")}, Hints);
    a.SmtpAddress = "a@home-a.example";
    RecordingWindow otherWindow;
    otherWindow.Options.WabFile = window.Options.WabFile;
    otherWindow.Options.ReplyIntervalDays = 0;
    Account b = MakeAccount("loop-b");
    b.Hints = Hints;
    b.SmtpAddress = "b@home-b.example";
    pop->AddUser(b.Pop3User, b.Pop3Password);
    pop->AddMessages(b.Pop3User, {Mail("a@home-a.example", "hello from a")});
    StoreAccount(b);
    otherWindow.AddAccount(b);
    ScreeningEngine other(otherWindow, store.get());

    int delivered = mailsBefore;
    QStringList replies;
    for (int pass = 0; pass < 20; ++pass) {
        engine->RunPass();
        other.RunPass();
        const QList<ReceivedMail> mails = smtp->Messages().mid(delivered);
        delivered += static_cast<int>(mails.size());
        for (const ReceivedMail& mail : mails) {
            replies += mail.RcptTos;
            const QString user =
                mail.RcptTos.value(0) == "a@home-a.example" ? a.Pop3User : b.Pop3User;
            // Delivered without the empty Return-Path a forwarder may drop: the reply's own
            // marks alone must stop the loop.
            pop->AddMessages(user, {mail.Data});
        }
    }
    replies.sort();
    EXPECT_EQ(replies, QStringList({"a@home-a.example", "b@home-b.example"}));
    EXPECT_EQ(MailboxSize(a), 0);
    EXPECT_EQ(MailboxSize(b), 0);
}

} // namespace
