#include "net/SendBuffer.h"

#include "net/CommandWindow.h"

#include <QByteArray>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

QByteArray Pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + i % 26);
    }
    return bytes;
}

TEST(TBufferBlock, CountsAndCapacity) {
    TBuffer block(8);
    EXPECT_EQ(block.Write("abcdefghij"), 8) << "takes only what fits";
    EXPECT_EQ(block.Write("x"), 0);
    block.Remove(3);
    EXPECT_EQ(block.Unsent(), "defgh");
    EXPECT_EQ(block.RdCount(), 3);
    block.Remove(5);
    EXPECT_EQ(block.RdCount(), 0) << "both counts return to 0 once all is consumed";
    EXPECT_EQ(block.WrCount(), 0);

    EXPECT_EQ(TBuffer(0).Size(), 1514);
    EXPECT_EQ(TBuffer(-5).Size(), 1514);

    TBuffer resized(8);
    resized.Write("abcdefgh");
    resized.Remove(2);
    resized.SetSize(4);
    EXPECT_EQ(resized.Unsent(), "cdefgh") << "unsent bytes survive a smaller capacity";
    resized.SetSize(100);
    EXPECT_EQ(resized.Unsent(), "cdefgh");
    EXPECT_EQ(resized.Write("ij"), 2);
    EXPECT_EQ(resized.Unsent(), "cdefghij");
}

TEST(SendBufferChain, SplitsOver1514ByteBlocksAndDrainsInOrder) {
    SendBuffer buffer;
    const QByteArray data = Pattern(5000);
    buffer.Append(data.left(1000));
    buffer.Append(data.mid(1000));
    EXPECT_EQ(buffer.BlockCount(), 4); // 1514 + 1514 + 1514 + 458
    EXPECT_EQ(buffer.Pending(), 5000);

    QByteArray drained;
    while (!buffer.IsEmpty()) {
        const QByteArrayView front = buffer.Front();
        ASSERT_FALSE(front.isEmpty());
        ASSERT_LE(front.size(), 1514);
        const int take = static_cast<int>(std::min<qsizetype>(front.size(), 700));
        drained += front.first(take).toByteArray();
        buffer.Consume(take);
    }
    EXPECT_EQ(drained, data);
    EXPECT_EQ(buffer.BlockCount(), 1) << "emptied blocks are freed, the last is kept";
    buffer.Append("more");
    EXPECT_EQ(buffer.Front(), "more");
}

// The window never holds more unanswered commands or bytes than its bounds, refills as the
// answers come, and ends only when every command has its answer.
TEST(CommandWindowBounds, RefillsAsAnswersCome) {
    CommandWindow byCount({"TOP 1 0", "TOP 2 0", "TOP 3 0", "TOP 4 0", "TOP 5 0"}, 2, 1000);
    EXPECT_EQ(byCount.TakeSendable(), "TOP 1 0\r\nTOP 2 0\r\n");
    EXPECT_EQ(byCount.TakeSendable(), "");
    byCount.Answered();
    EXPECT_EQ(byCount.Current(), 1);
    EXPECT_EQ(byCount.TakeSendable(), "TOP 3 0\r\n");
    for (int i = 0; i < 3; ++i) {
        byCount.Answered();
        byCount.TakeSendable();
    }
    EXPECT_FALSE(byCount.Done());
    byCount.Answered();
    byCount.Answered(); // an answer nobody asked for changes nothing
    EXPECT_TRUE(byCount.Done());
    EXPECT_EQ(byCount.TakeSendable(), "");

    // 9 bytes each on the wire: two fit in 20, and a command larger than the bound still goes
    // out alone rather than never.
    CommandWindow byBytes({"DELE 1", "DELE 2", "DELE 3", QByteArray(30, 'x')}, 64, 20);
    EXPECT_EQ(byBytes.TakeSendable(), "DELE 1\r\nDELE 2\r\n");
    byBytes.Answered();
    byBytes.Answered();
    EXPECT_EQ(byBytes.TakeSendable(), "DELE 3\r\n");
    byBytes.Answered();
    EXPECT_EQ(byBytes.TakeSendable(), QByteArray(30, 'x') + "\r\n");
}

} // namespace
