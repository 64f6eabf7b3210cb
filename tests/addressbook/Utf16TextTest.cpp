#include "addressbook/Utf16Text.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

QByteArray Units(std::initializer_list<char16_t> units) {
    QByteArray bytes;
    for (const char16_t u : units) {
        bytes.append(static_cast<char>(u & 0xFF)).append(static_cast<char>(u >> 8));
    }
    return bytes;
}

TEST(DecodeUtf16Le, StopsAtTheFirstNulCodeUnit) {
    EXPECT_EQ(DecodeUtf16Le(Units({u'a', u'b', 0, u'c'})), "ab");
    EXPECT_EQ(DecodeUtf16Le(Units({0, u'a'})), "");
    // A zero byte inside a code unit is not a NUL code unit.
    EXPECT_EQ(DecodeUtf16Le(Units({0x0100, u'a'})), QString(QChar(0x0100)) + "a");
}

TEST(DecodeUtf16Le, DecodesExactlyTheCodeUnitsRead) {
    EXPECT_EQ(DecodeUtf16Le(Units({u'a', u'b'})), "ab") << "no NUL needed";
    EXPECT_EQ(DecodeUtf16Le(Units({u'a', u'b'}) + "c"), "ab") << "odd last byte dropped";
    EXPECT_EQ(DecodeUtf16Le(QByteArray("x")), "");
    EXPECT_EQ(DecodeUtf16Le(QByteArray()), "");
}

TEST(DecodeUtf16Le, KeepsEveryCodeUnitAsItStands) {
    EXPECT_EQ(DecodeUtf16Le(Units({u'J', 0x00F6, u'r', u'g'})), QString::fromUtf8("Jörg"));
    EXPECT_EQ(DecodeUtf16Le(Units({0xD83D, 0xDE00})), QString::fromUtf8("😀"));
    // A byte order mark is a character here, not a signal to swap bytes.
    const QString withMark = DecodeUtf16Le(Units({0xFFFE, u'a'}));
    ASSERT_EQ(withMark.size(), 2);
    EXPECT_EQ(withMark[0].unicode(), 0xFFFE);
    EXPECT_EQ(DecodeUtf16Le(Units({0xD800, u'a'})).size(), 2) << "lone surrogate kept";
}

TEST(DecodeUtf16Le, HoldsAtMost255CodeUnits) {
    const QByteArray bytes = QString(300, 'x').toLatin1().replace("x", QByteArray("x\0", 2));
    EXPECT_EQ(DecodeUtf16Le(bytes), QString(255, 'x'));
}

} // namespace
