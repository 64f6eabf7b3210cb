#include "history/LearnedSenders.h"

#include "history/HistoryDatabase.h"
#include "tests/support/TestHome.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

class LearnedSendersTest : public testing::Test {
protected:
    test::TestHome home;
    HistoryDatabase db;
    QDateTime now = QDateTime(QDate(2026, 12, 8), QTime(10, 0), Qt::UTC);
    LearnedSenders learned{db, [this] {
                               return now;
                           }};
};

TEST_F(LearnedSendersTest, EachAccountLearnsAnAddressOnceWhateverItsCase) {
    const QDateTime written = now.addSecs(-60);
    EXPECT_TRUE(learned.Learn("00000001", "anna@x.example", "pineapple?", "Tue, 8 Dec", written));
    now = now.addDays(1);
    EXPECT_FALSE(learned.Learn("00000001", "Anna@X.Example", "again", "", now));
    EXPECT_TRUE(learned.Learn("00000002", "anna@x.example", "other account", "", now));
    const QList<LearnedSender> first = learned.List("00000001");
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(first[0].Subject, "pineapple?");
    EXPECT_EQ(first[0].MessageDate, "Tue, 8 Dec");
    EXPECT_EQ(first[0].Learned, now.addDays(-1));
    EXPECT_EQ(first[0].LastSeen, now.addDays(-1));
    EXPECT_EQ(learned.List().size(), 2);

    EXPECT_EQ(learned.Forget("ANNA@x.example", "00000002"), 1);
    EXPECT_EQ(learned.Addresses("00000002"), QStringList());
    EXPECT_EQ(learned.Addresses("00000001"), QStringList{"anna@x.example"});
    EXPECT_EQ(learned.Forget("anna@x.example"), 1);
    EXPECT_EQ(learned.Forget("anna@x.example"), 0);
    // The old message, still on the server, teaches nothing; one written since does.
    EXPECT_FALSE(learned.Learn("00000001", "anna@x.example", "pineapple?", "", written));
    EXPECT_FALSE(learned.Learn("00000001", "anna@x.example", "undated", "", QDateTime()));
    now = now.addSecs(1);
    EXPECT_TRUE(learned.Learn("00000001", "anna@x.example", "pineapple!", "", now));
    EXPECT_EQ(learned.List("00000001").at(0).Subject, "pineapple!");
    learned.Remove("anna@x.example");
    EXPECT_TRUE(learned.Learn("00000002", "anna@x.example", "no mark left", "", written));
}

// Seen by the dates of their messages: an old message read again each pass keeps no one.
TEST_F(LearnedSendersTest, QuietSendersAreForgottenAndOthersKept) {
    const QDateTime start = now;
    learned.Learn("00000001", "quiet@x.example", "s", "", now);
    learned.Learn("00000001", "busy@x.example", "s", "", now);
    now = now.addDays(300);
    learned.Seen("00000001", "quiet@x.example", start.addDays(-1));
    learned.Seen("00000001", "BUSY@x.example", now.addDays(1)); // a date ahead counts as now
    now = now.addDays(65);
    EXPECT_TRUE(learned.ForgetUnseen(365).isEmpty()) << "365 days are not over yet";
    now = now.addSecs(1);
    const QList<LearnedSender> gone = learned.ForgetUnseen(365);
    ASSERT_EQ(gone.size(), 1);
    EXPECT_EQ(gone[0].Address, "quiet@x.example");
    LearnedSenders reopened(db);
    EXPECT_EQ(reopened.Addresses("00000001"), QStringList{"busy@x.example"});
    EXPECT_EQ(reopened.List().at(0).LastSeen, start.addDays(300));
}

} // namespace
