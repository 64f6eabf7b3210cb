#include "engine/PendingReplies.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

TEST(PendingReplies, SortedWithoutDuplicatesIgnoringCase) {
    PendingReplies replies;
    EXPECT_TRUE(replies.Add("carol@x.org"));
    EXPECT_TRUE(replies.Add("Alice@x.org"));
    EXPECT_TRUE(replies.Add("bob@x.org"));
    EXPECT_FALSE(replies.Add("ALICE@X.ORG"));
    EXPECT_FALSE(replies.Add("bob@x.org"));
    EXPECT_EQ(replies.Items(), QStringList({"Alice@x.org", "bob@x.org", "carol@x.org"}));
    replies.Clear();
    EXPECT_TRUE(replies.IsEmpty());
}

TEST(PendingReplies, AddressesWithControlCharactersAreNeverSafe) {
    EXPECT_TRUE(IsSafeReplyAddress("a@x.org"));
    EXPECT_TRUE(IsSafeReplyAddress("Ünïcode <a@x.org>"));
    for (const char* bad :
         {"a@x.org\r\nRCPT TO:<b@y.org>", "a@x.org\n", "a\r@x.org", "a\t@x.org", "a\x7f@x.org"}) {
        EXPECT_FALSE(IsSafeReplyAddress(bad)) << bad;
    }
    EXPECT_FALSE(IsSafeReplyAddress(QString("a@x.org") + QChar(0)));
}

} // namespace
