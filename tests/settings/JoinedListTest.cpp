#include "settings/JoinedList.h"

#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/support/TestHome.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

TEST(JoinedListSplit, EntriesAreThePartsBeforeEachBar) {
    EXPECT_EQ(SplitJoined("abc|xy|"), QStringList({"abc", "xy"}));
    EXPECT_EQ(SplitJoined("abc|xy"), QStringList({"abc"})) << "no final bar: the last is lost";
    EXPECT_EQ(SplitJoined("|a||"), QStringList({"", "a", ""}));
    EXPECT_TRUE(SplitJoined("").isEmpty());
    EXPECT_TRUE(SplitJoined("word").isEmpty());
    EXPECT_EQ(JoinEntries({"abc", "xy"}), "abc|xy|");
    EXPECT_EQ(JoinEntries({}), "");
}

TEST(JoinedListChunks, WholeEntriesUpTo256Characters) {
    // 28 entries of 9 characters fill 252; a 29th would pass 256.
    const QStringList entries(300, "abcdefgh");
    const QStringList chunks = ChunkEntries(entries);
    ASSERT_EQ(chunks.size(), 11);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(chunks[i].size(), 252);
    }
    EXPECT_EQ(chunks[10].size(), 20 * 9);
    // Exactly 256 still fits.
    EXPECT_EQ(ChunkEntries({QString(255, 'x')}).size(), 1);
    EXPECT_EQ(ChunkEntries({QString(255, 'x'), "y"}).size(), 2);
    // An entry longer than a chunk gets a chunk of its own rather than being cut.
    const QStringList huge = ChunkEntries({"a", QString(300, 'z'), "b"});
    EXPECT_EQ(huge, QStringList({"a|", QString(300, 'z') + "|", "b|"}));
}

class JoinedListStore : public testing::Test {
protected:
    void SetUp() override { store.OpenKey(AccountKeyPath("00000001") + "\\Code Words", true); }
    QStringList ValueNames() {
        QStringList names;
        for (const auto& v : store.OpenKey(AccountKeyPath("00000001") + "\\Code Words")->Values()) {
            names.append(v.Name);
        }
        names.sort();
        return names;
    }
    test::TestHome home;
    SettingsStore store;
};

TEST_F(JoinedListStore, ThreeHundredEntriesThenShrinkToForty) {
    const QStringList entries(300, "abcdefgh");
    EXPECT_EQ(SaveJoinedList(store, "00000001", "Code Words", entries), JoinEntries(entries));
    EXPECT_EQ(ValueNames().size(), 11);
    auto key = store.OpenKey(AccountKeyPath("00000001") + "\\Code Words");
    EXPECT_EQ(key->ReadText("1"), QString("abcdefgh|").repeated(28));
    EXPECT_EQ(key->ReadText("11"), QString("abcdefgh|").repeated(20));
    EXPECT_EQ(LoadJoinedList(store, "00000001", "Code Words"), JoinEntries(entries));

    SaveJoinedList(store, "00000001", "Code Words", QStringList(40, "abcdefgh"));
    EXPECT_EQ(ValueNames(), QStringList({"1", "2"}));
    EXPECT_EQ(LoadJoinedList(store, "00000001", "code words"), QString("abcdefgh|").repeated(40));
}

TEST_F(JoinedListStore, EmptyListDeletesEveryChunk) {
    SaveJoinedList(store, "00000001", "Code Words", {"alpha", "beta"});
    EXPECT_EQ(ValueNames(), QStringList({"1"}));
    EXPECT_EQ(SaveJoinedList(store, "00000001", "Code Words", {}), "");
    EXPECT_TRUE(ValueNames().isEmpty());
    EXPECT_EQ(LoadJoinedList(store, "00000001", "Code Words"), "");
}

TEST_F(JoinedListStore, ReadingStopsAtTheFirstGap) {
    auto key = store.OpenKey(AccountKeyPath("00000001") + "\\Code Words");
    key->WriteText("1", "a|");
    key->WriteText("2", "b|");
    key->WriteText("4", "d|");
    EXPECT_EQ(LoadJoinedList(store, "00000001", "Code Words"), "a|b|");
    EXPECT_EQ(LoadJoinedList(store, "00000001", "Hints"), "") << "missing subkey";
}

TEST_F(JoinedListStore, MissingSubkeyIsAnErrorAndWritesNothing) {
    EXPECT_THROW(SaveJoinedList(store, "00000001", "Hints", {"x"}), StoreError);
    EXPECT_THROW(SaveJoinedList(store, "00000009", "Code Words", {"x"}), StoreError);
    EXPECT_FALSE(store.KeyExists(AccountKeyPath("00000001") + "\\Hints"));
}

} // namespace
