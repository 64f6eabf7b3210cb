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

TEST(PendingReplies, AddingManyAtOnceSortsAndKeepsTheFormAddedFirst) {
    PendingReplies replies;
    replies.Add("Bob@x.org");
    replies.AddAll({"carol@x.org", "BOB@X.ORG", "alice@x.org", "Carol@x.org"});
    EXPECT_EQ(replies.Items(), QStringList({"alice@x.org", "Bob@x.org", "carol@x.org"}));
    EXPECT_FALSE(replies.Add("ALICE@x.org"));
}

} // namespace
