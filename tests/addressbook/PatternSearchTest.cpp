#include "addressbook/PatternSearch.h"

#include <QByteArray>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

QByteArray WithMarkersAt(std::initializer_list<qsizetype> offsets, qsizetype size = 500) {
    QByteArray buffer(size, '\x11');
    for (const qsizetype at : offsets) {
        buffer.replace(at, 4, QByteArray::fromHex("1f000330"));
    }
    return buffer;
}

int Find(const QByteArray& buffer, int n, int k) {
    return FindNthPattern(0x1F, 0x00, 0x03, 0x30, buffer, n, k);
}

TEST(FindNthPattern, KthOccurrenceAmongStartsZeroToNMinusFour) {
    const QByteArray three = WithMarkersAt({7, 40, 300});
    EXPECT_EQ(Find(three, 499, 1), 7);
    EXPECT_EQ(Find(three, 499, 3), 300);
    EXPECT_EQ(Find(three, 499, 4), 0) << "fewer than k";
    EXPECT_EQ(FindNthPattern(0x1F, 0x00, 0x01, 0x30, three, 499, 1), 0) << "other marker";
    EXPECT_EQ(Find(WithMarkersAt({10, 495}), 499, 2), 495);
    EXPECT_EQ(Find(WithMarkersAt({10, 496}), 499, 2), 0);
    EXPECT_EQ(Find(WithMarkersAt({1}), 5, 1), 1);
    EXPECT_EQ(Find(WithMarkersAt({1}), 4, 1), 0);
    EXPECT_EQ(Find(WithMarkersAt({0, 1}), 3, 1), 0) << "n below 4";
    // Overlapping occurrences count.
    EXPECT_EQ(FindNthPattern(0xAA, 0xAA, 0xAA, 0xAA, QByteArray(8, '\xAA'), 8, 5), 4);
    EXPECT_EQ(FindNthPattern(0xAA, 0xAA, 0xAA, 0xAA, QByteArray(8, '\xAA'), 8, 6), 0);
}

TEST(FindNthPattern, NeverLooksPastTheBuffer) {
    // A marker cut by the buffer's end must not be completed by what lies behind it.
    const QByteArray whole = WithMarkersAt({3, 20}, 24);
    EXPECT_EQ(Find(whole, 499, 2), 20);
    EXPECT_EQ(Find(whole.left(22), 499, 2), 0);
    EXPECT_EQ(Find(QByteArray(), 499, 1), 0);
}

} // namespace
