// The safety net around deletions against the real servers: the decision history, preview,
// the copies kept before a deletion, and the restore token.
#include "EngineFixture.h"
#include "history/RestoreToken.h"
#include "settings/GlobalSettings.h"
#include "settings/StoreLayout.h"

#include <QFile>
#include <algorithm>

using namespace sievra;
using namespace sievra::test;

namespace {

class SafetyNet : public EngineFixture {
protected:
    std::vector<DecisionRecord> Decisions() {
        HistoryDatabase db;
        DecisionHistory history(db);
        auto rows = history.List({});
        std::reverse(rows.begin(), rows.end()); // message order
        return rows;
    }
};

TEST_F(SafetyNet, PreviewChangesNothingAndRecordsWhatWouldGo) {
    Account& account = AddMailbox({Mail("friend@example.org", "hello"),
                                   Mail("spammer@bad.example", "=?UTF-8?Q?G=C3=BCnstig?=")},
                                  "Write again with a code word.|");
    account.KeepDeletedCopies = true;
    window.Options.PreviewOnly = true;
    const QList<QByteArray> before = pop->Messages(account.Pop3User);
    engine->RunPass();

    EXPECT_EQ(pop->Messages(account.Pop3User), before);
    EXPECT_TRUE(MailsSince(mailsBefore).isEmpty());
    EXPECT_FALSE(QFile::exists(ReplyQueueFile::DefaultPath()));
    EXPECT_FALSE(QFile::exists(QuarantineStore::DefaultFolder()));
    EXPECT_TRUE(window.PlainLines().join('\n').contains("Preview only"));
    EXPECT_EQ(window.PlainLines().last(),
              "RESULTS: 1 waiting. 0 deleted. 1 would be deleted (preview). 0 Error(s)");
    const auto rows = Decisions();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Outcome, Decision::Kept);
    EXPECT_EQ(rows[0].Reason, "in contacts");
    EXPECT_EQ(rows[1].Outcome, Decision::WouldDelete);
    EXPECT_EQ(rows[1].Reason, "no match");
    EXPECT_EQ(DisplayText(rows[1].Subject), QString::fromUtf8("Günstig"));
    EXPECT_EQ(rows[1].Reply, "");
    EXPECT_EQ(rows[1].Account, account.KeyName);
}

// Every decision with its reason and reply; a copy of each deleted message on disk as the
// server held it, and the one over the size limit kept as its header.
TEST_F(SafetyNet, NormalPassRecordsEveryDecisionAndKeepsCopies) {
    const QByteArray big = Mail("big@bad.example", "large") + QByteArray(4000, 'x') + "\n";
    const QByteArray small = Mail("spammer@bad.example", "buy", {"Message-ID: <1@bad.example>"});
    Account& account = AddMailbox({Mail("stranger@x.example", "about the PINEAPPLE"), small, big,
                                   Mail("friend@example.org", "hi")},
                                  "Write again with a code word.|");
    account.CodeWords = "pineapple|";
    account.KeepDeletedCopies = true;
    window.Options.AllowedSenders = {"friend@example.org"};
    window.Options.QuarantineSizeLimit = 2000;
    engine->RunPass();

    ASSERT_EQ(MailboxSize(account), 2);
    const auto rows = Decisions();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].Reason, "code word \"pineapple\"");
    EXPECT_EQ(rows[3].Reason, "allowed sender");
    EXPECT_EQ(rows[1].Outcome, Decision::Deleted);
    EXPECT_EQ(rows[1].MessageId, "<1@bad.example>");
    EXPECT_EQ(rows[1].Reply, "sent");
    EXPECT_EQ(rows[1].Copy, CopyKind::Whole);
    QuarantineStore quarantine;
    EXPECT_EQ(quarantine.Read(rows[1].CopyPath), small);
    EXPECT_EQ(rows[2].Copy, CopyKind::HeaderOnly);
    const QByteArray header = quarantine.Read(rows[2].CopyPath);
    EXPECT_TRUE(header.startsWith("X-Sievra-Copy: header only")) << header.constData();
    EXPECT_TRUE(header.contains("Subject: large"));
    EXPECT_FALSE(header.contains("xxxx"));
}

// A copy that cannot be written vetoes the deletion; the pass goes on with the next message.
TEST_F(SafetyNet, FailedCopyKeepsTheMessageOnTheServer) {
    Account& account =
        AddMailbox({Mail("spammer@bad.example", "one"), Mail("friend@example.org", "two")});
    account.KeepDeletedCopies = true;
    WriteTestFile(QuarantineStore::DefaultFolder() + "/" + account.KeyName, "in the way");
    engine->RunPass();

    EXPECT_EQ(MailboxSize(account), 2);
    EXPECT_TRUE(window.PlainLines().join('\n').contains(
        "Error: Message 1 not deleted: Cannot keep a copy"));
    const auto rows = Decisions();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Outcome, Decision::NotDeleted);
    EXPECT_EQ(rows[1].Outcome, Decision::Kept);
    EXPECT_EQ(engine->Counters().ErrorCount, 1);
}

// A message this installation restored is kept once more; the same token on a message of
// another sender, or one made with another key, is not honoured.
TEST_F(SafetyNet, OnlyOurOwnRestoreTokenKeepsAMessage) {
    const QString key = NewRestoreKey();
    const QString from = "stranger@x.example";
    const QString id = "<7@x.example>";
    const QString token = MakeRestoreToken(key, from, id);
    const auto restored = [&](const QString& sender, const QString& t) {
        return Mail(sender, "restored", {"Message-ID: " + id, RestoreTokenField + ": " + t});
    };
    Account& account = AddMailbox({restored(from, token), restored("other@bad.example", token),
                                   restored(from, MakeRestoreToken(NewRestoreKey(), from, id))});
    window.Options.RestoreKey = key;
    engine->RunPass();

    const auto left = pop->Messages(account.Pop3User);
    ASSERT_EQ(left.size(), 1);
    EXPECT_TRUE(left[0].contains(token.toUtf8()));
    EXPECT_EQ(Decisions()[0].Reason, "restored from the history");
    EXPECT_TRUE(window.Options.AllowedSenders.isEmpty());
}

// Restore sends the kept copy back unchanged under Resent- fields; fed into the mailbox as the
// SMTP server received it, the next pass keeps it without allowing its sender. A copy kept as
// its header only cannot go back.
TEST_F(SafetyNet, RestoredMessageComesBackAndIsKept) {
    const QByteArray spam =
        Mail("spammer@bad.example", "wanted after all", {"Message-ID: <9@bad.example>"}) +
        ".a line that starts with a dot\n";
    const QByteArray big = Mail("big@bad.example", "large") + QByteArray(4000, 'x') + "\n";
    Account& account = AddMailbox({spam, big});
    account.KeepDeletedCopies = true;
    window.Options.QuarantineSizeLimit = 2000;
    engine->RunPass();
    ASSERT_EQ(MailboxSize(account), 0);
    const auto rows = Decisions();
    ASSERT_EQ(rows.size(), 2u);

    const auto headerOnly = engine->RestoreMessage(rows[1].Id);
    EXPECT_EQ(headerOnly.Result, ScreeningEngine::RestoreOutcome::Refused);
    EXPECT_TRUE(headerOnly.Line.contains("header only")) << headerOnly.Line.toStdString();
    EXPECT_EQ(engine->RestoreMessage(rows[1].Id + 100).Result,
              ScreeningEngine::RestoreOutcome::NoSuchEntry);
    EXPECT_EQ(smtp->Messages().size(), mailsBefore);

    const auto restored = engine->RestoreMessage(rows[0].Id);
    ASSERT_EQ(restored.Result, ScreeningEngine::RestoreOutcome::Restored)
        << restored.Line.toStdString();
    ASSERT_TRUE(smtp->WaitForMessages(mailsBefore + 1));
    const ReceivedMail mail = smtp->Messages().last();
    EXPECT_EQ(mail.RcptTos, QStringList{"me@home.example"});
    QByteArray data = mail.Data;
    data.replace("\r\n", "\n");
    EXPECT_TRUE(data.startsWith("Resent-Date: ")) << data.constData();
    EXPECT_TRUE(data.contains("\nResent-From: me@home.example\nResent-To: me@home.example\n"));
    EXPECT_TRUE(data.contains("\nResent-Message-ID: <"));
    EXPECT_TRUE(data.endsWith(spam)) << "the message itself unchanged";
    EXPECT_FALSE(store->OpenKey(ProductKey)->ReadText(GlobalValue::RestoreKey).isEmpty());
    EXPECT_TRUE(Decisions()[0].Reason.contains("; restored "))
        << Decisions()[0].Reason.toStdString();

    pop->AddMessages(account.Pop3User, {data});
    engine->RunPass();
    EXPECT_EQ(MailboxSize(account), 1);
    EXPECT_EQ(Decisions().back().Reason, "restored from the history");
    EXPECT_TRUE(window.Options.AllowedSenders.isEmpty());
}

} // namespace
