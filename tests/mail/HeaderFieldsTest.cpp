// The header reader on headers as mail programs write them.
#include "mail/HeaderFields.h"

#include "mail/HeaderText.h"

#include <gtest/gtest.h>

using namespace sievra;

namespace {

TEST(HeaderFields, UnfoldsAndFindsFieldsByNameInAnyCase) {
    const HeaderFields header({"Received: from a", "\tby b", "  for c;", "FROM : first@example.org",
                               "not a field", " lost continuation", "x-y:z", "Bad Name: v",
                               "from:second@example.org", "", "Subject: after the header"});
    EXPECT_EQ(header.Value(u"received"), "from a\tby b  for c;");
    EXPECT_EQ(header.Value(u"From"), "first@example.org") << "blanks before the colon";
    EXPECT_EQ(header.Values(u"from"), QStringList({"first@example.org", "second@example.org"}));
    EXPECT_EQ(header.Count(u"From"), 2);
    EXPECT_EQ(header.Value(u"X-Y"), "z");
    EXPECT_EQ(header.Count(u"Bad Name"), 0);
    EXPECT_EQ(header.Value(u"Subject"), "") << "the header ends at its empty line";
    EXPECT_EQ(header.Fields().size(), 4);
    EXPECT_TRUE(HeaderFields({" starts folded", ":", ": no name"}).Fields().isEmpty());
}

TEST(HeaderFields, LongFoldedFieldIsJoinedWhole) {
    QStringList lines = {"Subject: start"};
    for (int i = 0; i < 2000; ++i) {
        lines.append(QStringLiteral(" part%1").arg(i));
    }
    lines.append("From: a@b.org");
    const HeaderFields header(lines);
    EXPECT_TRUE(header.Value(u"Subject").endsWith("part1998 part1999"));
    EXPECT_EQ(header.Value(u"Subject").count("part"), 2000);
    EXPECT_EQ(header.Value(u"From"), "a@b.org");
}

struct TextRow {
    const char* Raw;
    const char* Decoded;
};

TEST(DecodeHeaderText, EncodedWordsInManyCharsetsAndBrokenOnes) {
    const TextRow rows[] = {
        {"=?utf-8?b?R3LDvMOfZSDigJMgYmFuYW5hIGJyZWFk?=", "Grüße – banana bread"},
        {"=?ISO-8859-1?Q?Caf=E9_au_lait?=", "Café au lait"},
        {"=?koi8-r?b?8NLJ18XU?= =?windows-1252?q?=80?=", "Привет€"},
        {"=?shift_jis?b?g2WDWINn?=", "テスト"},
        {"=?utf-8?q?a?=  =?utf-8?q?b?=", "ab"}, // blanks between encoded words vanish
        {"=?utf-8?x?unknown-encoding?= kept", "=?utf-8?x?unknown-encoding?= kept"},
        {"=?utf-8?b?bm90!?=", "not"}, // GMime skips what is not Base64, as mail readers do
        {"=?utf-8?q?unterminated", "=?utf-8?q?unterminated"},
        {"8-bit Grüße", "8-bit Grüße"},
        {"", ""},
    };
    for (const TextRow& row : rows) {
        EXPECT_EQ(DecodeHeaderText(QString::fromUtf8(row.Raw)), QString::fromUtf8(row.Decoded))
            << row.Raw;
    }
}

TEST(DecodeHeaderText, ControlCharactersNeverComeOutRaw) {
    for (const QString& raw :
         {QString("=?utf-8?q?a=0Db=0Ac?= tail"), QString("=?utf-8?q?a=00b?= tail"),
          QString("=?utf-8?b?YQ1iAGM=?= tail"), QString("=?utf-8?q?=C2=85_=E2=80=A8?= tail"),
          QString("raw\rcontrol\x01 tail"), QString::fromLatin1("NUL\0inside tail", 15)}) {
        const QString decoded = DecodeHeaderText(raw);
        EXPECT_FALSE(HoldsControls(decoded)) << raw.toStdString();
        EXPECT_TRUE(decoded.endsWith("tail")) << "nothing after the control is lost";
    }
}

struct AddressRow {
    const char* Value;
    QList<MailAddress> Expected;
};

TEST(ParseAddressList, MailboxesOfEveryFormAndGroups) {
    const AddressRow rows[] = {
        {"=?utf-8?b?TWFtYQ==?= <mom@family.example>",
         {{"Mama", "mom@family.example", "mom@family.example"}}},
        {"=?utf-8?b?TWFtYQ==?=\t<mom@family.example>",
         {{"Mama", "mom@family.example", "mom@family.example"}}},
        {"mom@family.example (Mom)", {{"Mom", "mom@family.example", "mom@family.example"}}},
        {"\"Mom <home>\" <mom@family.example>",
         {{"Mom <home>", "mom@family.example", "mom@family.example"}}},
        {"Friends: a@b.org, \"C, D\" <c@d.org>;, e@f.org",
         {{"", "a@b.org", "a@b.org"}, {"C, D", "c@d.org", "c@d.org"}, {"", "e@f.org", "e@f.org"}}},
        {"undisclosed-recipients:;", {}},
        {"<>", {}},
        {"e@xn--exmple-cua.org", {{"", "e@exämple.org", "e@xn--exmple-cua.org"}}},
        {"josé@exämple.org", {{"", "josé@exämple.org", "josé@xn--exmple-cua.org"}}},
        {"\"=?utf-8?q?a=0Db?=\" <x@y.org>", {{"a b", "x@y.org", "x@y.org"}}},
        {"", {}},
    };
    for (const AddressRow& row : rows) {
        EXPECT_EQ(ParseAddressList(QString::fromUtf8(row.Value)), row.Expected) << row.Value;
    }
}

TEST(ParseAddressList, NoAddressWithAControlCharacter) {
    for (const QString& value : {QString("<a\rb@c.org>"), QString("\"x\" <a@c.org\x01>")}) {
        for (const MailAddress& address : ParseAddressList(value)) {
            EXPECT_FALSE(HoldsControls(address.Address)) << value.toStdString();
            EXPECT_FALSE(HoldsControls(address.AsciiAddress));
        }
    }
}

} // namespace
