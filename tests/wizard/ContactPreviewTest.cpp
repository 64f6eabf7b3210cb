#include "wizard/ContactPreview.h"

#include "tests/support/TestHome.h"
#include "tests/wizard/AddressBookWriter.h"
#include "tests/wizard/QtPrinters.h"

#include <gtest/gtest.h>

using namespace sievra;
using namespace sievra::test;

namespace {

const QString Name30 = QStringLiteral("Abcdefghij Klmnopqrst Uvwxyzab");
const QString Name31 = Name30 + QStringLiteral("c");

TEST(ContactPreviewTest, NamesOverThirtyCharactersAreShortened) {
    ASSERT_EQ(Name30.size(), 30);
    EXPECT_EQ(ShortenDisplayName(Name30), Name30);
    EXPECT_EQ(ShortenDisplayName(Name31), Name30 + "..");
    EXPECT_EQ(ShortenDisplayName(""), "");
    // 29 letters and one outside the basic plane are 30 characters, not 31.
    const QString astral = QString(29, QLatin1Char('x')) + QString::fromUtf8("\xF0\x9F\x90\xA6");
    EXPECT_EQ(ShortenDisplayName(astral), astral);
    EXPECT_EQ(ShortenDisplayName(astral + "y"), astral + "..");
}

TEST(ContactPreviewTest, LinesInFileOrderWithNameTabAddress) {
    TestHome home;
    const QString path = home.WriteFile(
        "book.wab", BuildAddressBook({{"anna@example.org", Name30},
                                      {"bert@example.org", Name31},
                                      {"not-an-address", QStringLiteral("Skipped")},
                                      {"no.name@example.org", std::nullopt},
                                      {"anna@example.org", QStringLiteral("Anna again")}}));
    EXPECT_EQ(ContactLines(path),
              QStringList({Name30 + "\tanna@example.org", Name30 + "..\tbert@example.org",
                           "\tno.name@example.org", "Anna again\tanna@example.org"}));
}

TEST(ContactPreviewTest, AFileEndingInsideTheIndexKeepsTheContactsBeforeIt) {
    TestHome home;
    BookLayout layout;
    layout.RecordsBeforeIndex = true;
    layout.DeclaredEntries = 5;
    layout.TruncateAt = 2224 + 8 * 2 - 4; // inside the second index entry's unused half
    const QString path =
        home.WriteFile("cut.wab", BuildAddressBook({{"one@example.org", QStringLiteral("One")},
                                                    {"two@example.org", QStringLiteral("Two")}},
                                                   layout));
    EXPECT_EQ(ContactLines(path), QStringList({"One\tone@example.org", "Two\ttwo@example.org"}));
}

TEST(ContactPreviewTest, NothingToReadGivesNoLines) {
    TestHome home;
    EXPECT_TRUE(ContactLines("").isEmpty());
    EXPECT_TRUE(ContactLines(home.Path() + "/missing.wab").isEmpty());
    EXPECT_TRUE(ContactLines(home.Path()).isEmpty()) << "a folder";
    EXPECT_TRUE(ContactLines(home.WriteFile("short.wab", QByteArray(99, 'x'))).isEmpty());
}

} // namespace
