#include "addressbook/PatternSearch.h"

#include <QByteArray>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

int Find(const QByteArray& buffer, int n, int k) {
    return FindNthPattern(0x1F, 0x00, 0x03, 0x30, buffer, n, k);
}

QByteArray WithMarkersAt(std::initializer_list<qsizetype> offsets, qsizetype size = 500) {
    QByteArray buffer(size, '\x11');
    for (const qsizetype at : offsets) {
        buffer.replace(at, 4, QByteArray::fromHex("1f000330"));
    }
    return buffer;
}

TEST(FindNthPattern, CountsOccurrencesInOrder) {
    const QByteArray buffer = WithMarkersAt({7, 40, 300});
    EXPECT_EQ(Find(buffer, 499, 1), 7);
    EXPECT_EQ(Find(buffer, 499, 2), 40);
    EXPECT_EQ(Find(buffer, 499, 3), 300);
    EXPECT_EQ(Find(buffer, 499, 4), 0) << "fewer than k occurrences";
    EXPECT_EQ(Find(WithMarkersAt({}), 499, 1), 0);
    EXPECT_EQ(Find(buffer, 499, 0), 0);
    EXPECT_EQ(FindNthPattern(0x1F, 0x00, 0x01, 0x30, buffer, 499, 1), 0) << "other marker";
}

TEST(FindNthPattern, LooksAtStartsUpToNMinusFour) {
    EXPECT_EQ(Find(WithMarkersAt({10, 495}), 499, 2), 495);
    EXPECT_EQ(Find(WithMarkersAt({10, 496}), 499, 2), 0) << "start 496 is not seen";
    EXPECT_EQ(Find(WithMarkersAt({10, 496}), 500, 2), 496);
    EXPECT_EQ(Find(WithMarkersAt({1}), 5, 1), 1);
    EXPECT_EQ(Find(WithMarkersAt({1}), 4, 1), 0);
    EXPECT_EQ(Find(WithMarkersAt({0, 1}), 3, 1), 0) << "n below 4";
    EXPECT_EQ(Find(WithMarkersAt({0, 8}), -1, 2), 0);
}

TEST(FindNthPattern, CountsOverlappingOccurrences) {
    const QByteArray run(8, '\xAA');
    EXPECT_EQ(FindNthPattern(0xAA, 0xAA, 0xAA, 0xAA, run, 8, 3), 2);
    EXPECT_EQ(FindNthPattern(0xAA, 0xAA, 0xAA, 0xAA, run, 8, 5), 4);
    EXPECT_EQ(FindNthPattern(0xAA, 0xAA, 0xAA, 0xAA, run, 8, 6), 0);
}

TEST(FindNthPattern, NeverLooksPastTheBuffer) {
    // A length beyond the buffer is cut to the buffer; the marker split by the buffer's end
    // must not be completed by whatever lies behind it in memory.
    const QByteArray whole = WithMarkersAt({3, 20}, 24);
    const QByteArray cut = whole.left(22);
    EXPECT_EQ(Find(whole, 499, 2), 20);
    EXPECT_EQ(Find(cut, 499, 2), 0);
    EXPECT_EQ(Find(QByteArray(), 499, 1), 0);
}

} // namespace
