#include "engine/UpperCase.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

// The quick ASCII path must agree with Qt's Unicode mapping everywhere.
TEST(UpperCased, AgreesWithUnicodeUpperCasing) {
    QString ascii;
    for (char16_t c = 0; c < 0x80; ++c) {
        ascii.append(QChar(c));
    }
    EXPECT_EQ(UpperCased(ascii), ascii.toUpper());
    EXPECT_EQ(UpperCased("anna.berg@example.org"), "ANNA.BERG@EXAMPLE.ORG");
    for (const char* text :
         {"straße", "ǆemal", "ﬁle", "école", "σοφια", "mixed ascii ß end", "i̇", "ŉ"}) {
        const QString s = QString::fromUtf8(text);
        EXPECT_EQ(UpperCased(s), s.toUpper()) << text;
    }
    EXPECT_EQ(UpperCased(QString::fromUtf8("straße")), "STRASSE");
    EXPECT_EQ(UpperCased(QString()), QString());
}

} // namespace
