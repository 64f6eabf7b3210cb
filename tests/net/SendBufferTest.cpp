#include "net/SendBuffer.h"

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

} // namespace
