#include "history/DecisionHistory.h"

#include "history/KeptMessages.h"
#include "history/QuarantineStore.h"
#include "tests/support/TestHome.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <utime.h>

using namespace sievra;

namespace {

DecisionRecord Record(const QString& account, Decision outcome, const QString& subject,
                      qint64 secondsAgo) {
    DecisionRecord r;
    r.Time = QDateTime::currentDateTimeUtc().addSecs(-secondsAgo);
    r.Account = account;
    r.AccountName = "Name of " + account;
    r.From = "=?UTF-8?Q?J=C3=B6rg?= <jorg@example.org>";
    r.Sender = "jorg@example.org";
    r.ReplyTo = "jorg@example.org";
    r.Subject = subject;
    r.Outcome = outcome;
    r.Reason = outcome == Decision::Kept ? "in contacts" : "no match";
    r.Reply = outcome == Decision::Deleted ? "queued" : "";
    return r;
}

class DecisionHistoryTest : public testing::Test {
protected:
    test::TestHome home;
    HistoryDatabase db;
    DecisionHistory history{db};
};

TEST_F(DecisionHistoryTest, ListsNewestFirstThroughEachFilter) {
    std::vector<DecisionRecord> rows = {Record("00000001", Decision::Deleted, "Cheap pills", 30),
                                        Record("00000001", Decision::Kept, "Lunch", 20),
                                        Record("00000002", Decision::WouldDelete, "Offer", 10)};
    for (DecisionRecord& r : rows) {
        history.Add(r);
    }
    const auto subjects = [&](const std::function<void(DecisionFilter&)>& set) {
        DecisionFilter f;
        set(f);
        QStringList out;
        for (const DecisionRecord& r : history.List(f)) {
            out << r.Subject;
        }
        return out;
    };
    EXPECT_EQ(subjects([](auto&) {}), QStringList({"Offer", "Lunch", "Cheap pills"}));
    EXPECT_EQ(subjects([](auto& f) { f.Account = "00000001"; }),
              QStringList({"Lunch", "Cheap pills"}));
    EXPECT_EQ(subjects([](auto& f) { f.Outcome = Decision::WouldDelete; }), QStringList({"Offer"}));
    EXPECT_EQ(subjects([](auto& f) { f.Text = "PILLS"; }), QStringList({"Cheap pills"}));
    EXPECT_EQ(subjects([](auto& f) { f.Since = QDateTime::currentDateTimeUtc().addSecs(-15); }),
              QStringList({"Offer"}));
    EXPECT_EQ(subjects([](auto& f) { f.Limit = 1; }), QStringList({"Offer"}));

    const auto found = history.Find(rows[0].Id);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->From, rows[0].From); // raw, decoded only for display
    EXPECT_EQ(found->AccountName, "Name of 00000001");
    EXPECT_FALSE(history.Find(rows[2].Id + 1));
}

// A reply outcome lands on the queued rows of that account and address only, and the age
// limit drops only what is older.
TEST_F(DecisionHistoryTest, ReplyOutcomesAndAgeLimit) {
    DecisionRecord queued = Record("00000001", Decision::Deleted, "a", 400);
    DecisionRecord other = Record("00000002", Decision::Deleted, "b", 5);
    DecisionRecord kept = Record("00000001", Decision::Kept, "c", 5);
    history.Add(queued);
    history.Add(other);
    history.Add(kept);
    history.SetReplyOutcome("00000001", "jorg@example.org", "sent");
    EXPECT_EQ(history.Find(queued.Id)->Reply, "sent");
    EXPECT_EQ(history.Find(other.Id)->Reply, "queued");
    EXPECT_EQ(history.Find(kept.Id)->Reply, "");

    EXPECT_EQ(history.DropOlderThan(QDateTime::currentDateTimeUtc().addSecs(-60)), 1);
    EXPECT_FALSE(history.Find(queued.Id));
    EXPECT_TRUE(history.Find(other.Id));
}

TEST(QuarantineStoreTest, CopyIsPrivateOnceAndPurgedByAge) {
    test::TestHome home;
    QuarantineStore store;
    const QByteArray message("From: a@b.example\nSubject: x\n\nbody\xe9\n");
    const QString path = store.Store("00000001", message);
    EXPECT_EQ(path.section('/', 0, -3), store.Root() + "/00000001");
    EXPECT_EQ(QFileInfo(path).dir().dirName(), "new");
    EXPECT_EQ(store.Read(path), message);
    EXPECT_EQ(store.Store("00000001", message), path); // after a crash before DELE: no twin
    EXPECT_EQ(QDir(store.Root() + "/00000001/new").count(), 3u); // ".", ".." and the copy
    EXPECT_TRUE(QDir(store.Root() + "/00000001/tmp").isEmpty());
    EXPECT_EQ(QFile(path).permissions() & 0x0077, 0);
    EXPECT_THROW(store.Store("../x", message), HistoryError);
    EXPECT_THROW(store.Read(home.WriteFile("outside", "x")), HistoryError);

    const QString young = store.Store("00000002", "young");
    const time_t old = time(nullptr) - 3 * 86400;
    const utimbuf times{old, old};
    ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
    EXPECT_EQ(store.PurgeOlderThan(QDateTime::currentDateTimeUtc().addDays(-2)), 1);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(young));
}

// A quarantine that cannot take the copy is an error with the reason, and leaves nothing.
// (A file in place of the account's folder: a read-only folder does not stop root.)
TEST(QuarantineStoreTest, UnusableFolderIsAnErrorWithItsReason) {
    test::TestHome home;
    QuarantineStore store;
    test::WriteTestFile(store.Root() + "/00000001", "not a folder");
    try {
        store.Store("00000001", "message");
        FAIL() << "a copy into a file succeeded";
    } catch (const HistoryError& e) {
        EXPECT_TRUE(e.Message().startsWith("Cannot keep a copy")) << e.what();
        EXPECT_TRUE(e.Message().contains("Not a directory")) << e.what();
    }
}

// The kept-message cache answers only under the rules it was stored with, per account, keeps
// nothing of an earlier store, survives a reopening, and a damaged file reads as empty.
TEST_F(DecisionHistoryTest, KeptMessagesOnlyUnderTheSameRules) {
    const QSet<QString> first = {"uid-1", "uid-2", "uid-3"};
    {
        KeptMessages kept(db);
        kept.Store("00000001", "rules-a", first);
        kept.Store("00000002", "rules-a", {"uid-9"});
        EXPECT_EQ(kept.Load("00000001", "rules-a"), first);
        EXPECT_TRUE(kept.Load("00000001", "rules-b").isEmpty());
        EXPECT_TRUE(kept.Load("00000003", "rules-a").isEmpty());
        kept.Store("00000001", "rules-b", {"uid-2", "uid-4"});
        EXPECT_TRUE(kept.Load("00000001", "rules-a").isEmpty());
    }
    HistoryDatabase reopened(db.FilePath());
    KeptMessages again(reopened);
    EXPECT_EQ(again.Load("00000001", "rules-b"), (QSet<QString>{"uid-2", "uid-4"}));
    EXPECT_EQ(again.Load("00000002", "rules-a"), QSet<QString>{"uid-9"});

    const QString damaged = home.WriteFile("damaged/history.db", QByteArray(4096, 'x'));
    HistoryDatabase fresh(damaged);
    EXPECT_TRUE(KeptMessages(fresh).Load("00000001", "rules-b").isEmpty());
}

} // namespace
