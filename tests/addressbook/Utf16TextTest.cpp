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

TEST(DecodeUtf16Le, ExactlyTheCodeUnitsUpToTheFirstNul) {
    EXPECT_EQ(DecodeUtf16Le(Units({u'a', u'b', 0, u'c'})), "ab");
    EXPECT_EQ(DecodeUtf16Le(Units({0x0100, u'a'})), QString(QChar(0x0100)) + "a")
        << "a zero byte is not a NUL code unit";
    EXPECT_EQ(DecodeUtf16Le(Units({u'a', u'b'}) + "c"), "ab") << "odd last byte dropped";
    EXPECT_EQ(DecodeUtf16Le(Units({u'J', 0x00F6, 0xD83D, 0xDE00})), QString::fromUtf8("Jö😀"));
    // A byte order mark or a lone surrogate is kept as it stands.
    EXPECT_EQ(DecodeUtf16Le(Units({0xFFFE, 0xD800})), QString(QChar(0xFFFE)) + QChar(0xD800));
    const QByteArray x300 = QString(300, 'x').toLatin1().replace("x", QByteArray("x\0", 2));
    EXPECT_EQ(DecodeUtf16Le(x300), QString(255, 'x'));
}

} // namespace
