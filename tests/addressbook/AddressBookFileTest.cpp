#include "addressbook/AddressBookFile.h"

#include "tests/support/AddressBookBytes.h"
#include "tests/support/TestHome.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace sievra;
using test::AddressBookBytes;

namespace {

struct ReadOutcome {
    BookReadResult Result;
    QList<ContactRecord> Records;
    QStringList Addresses() const {
        QStringList list;
        for (const ContactRecord& r : Records) {
            list.append(r.Address);
        }
        return list;
    }
};

QByteArray Int32(qint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<qint32>(value, bytes.data());
    return bytes;
}

QByteArray Utf16(const QString& text) {
    return AddressBookBytes::Utf16(text);
}

// A window of zeros with the given fields: (offset, marker, text bytes).
QByteArray WindowWith(std::initializer_list<std::tuple<qsizetype, QByteArray, QByteArray>> fields) {
    QByteArray window(AddressBookBytes::WindowSize, '\0');
    for (const auto& [at, marker, text] : fields) {
        AddressBookBytes::PutField(window, at, marker, text);
    }
    return window;
}

const QByteArray Address = AddressBookBytes::AddressMarker();
const QByteArray Name = AddressBookBytes::NameMarker();
const QByteArray NoMarker(4, '\x7F'); // puts a text at window byte 4 and R + 8

class BookReader : public testing::Test {
protected:
    ReadOutcome Read(const QByteArray& bytes) {
        const QString path = home.WriteFile(QStringLiteral("book.wab"), bytes);
        ReadOutcome outcome{BookReadResult::Complete, {}};
        outcome.Result = ReadAddressBookRecords(
            path, [&outcome](const ContactRecord& r) { outcome.Records.append(r); });
        return outcome;
    }
    test::TestHome home;
};

TEST_F(BookReader, EntryCountAtOffset100) {
    for (const qsizetype size : {0, 99, 100, 103}) {
        EXPECT_EQ(Read(QByteArray(size, '\0')).Result, BookReadResult::TooShort) << size;
    }
    EXPECT_EQ(Read(QByteArray(100, '\0') + Int32(-1)).Result, BookReadResult::Complete);

    AddressBookBytes book;
    for (const char* address : {"first@example.org", "Second@Example.org", "first@example.org"}) {
        book.Add(AddressBookBytes::Record(address, "Name"));
    }
    EXPECT_EQ(Read(book.Bytes()).Addresses(),
              QStringList({"first@example.org", "Second@Example.org", "first@example.org"}));
    book.SetHighest(0);
    EXPECT_EQ(Read(book.Bytes()).Addresses(), QStringList({"first@example.org"}));
    for (const qint32 n : {-1, std::numeric_limits<qint32>::min()}) {
        book.SetHighest(n);
        const ReadOutcome none = Read(book.Bytes());
        EXPECT_EQ(none.Result, BookReadResult::Complete) << n;
        EXPECT_TRUE(none.Records.isEmpty()) << n;
    }
}

TEST_F(BookReader, SecondMarkerLocatesEachField) {
    const QString thirty = QString("Abcdefghij").repeated(3);
    AddressBookBytes book;
    book.Add(AddressBookBytes::Record("two@a.b", thirty)); // each marker twice, decoy first
    book.Add(AddressBookBytes::Record("x@y.z", thirty + QString::fromUtf8("é")));
    book.Add(WindowWith({{20, Address, Utf16("one@a.b")},
                         {100, Address, Utf16("two@a.b")},
                         {200, Address, Utf16("three@a.b")},
                         {300, Name, Utf16("Name one")},
                         {350, Name, Utf16("Name two")},
                         {400, Name, Utf16("Name three")}}));
    // Marker once, or a second one at 496 where no search looks: the field is taken as if its
    // marker stood at 0, its length from window byte 4 and its text from R + 8.
    book.Add(WindowWith({{0, NoMarker, Utf16("start@a.b")}, {300, Address, Utf16("no@a.b")}}));
    book.Add(WindowWith({{0, NoMarker, Utf16("start@a.b")},
                         {40, Address, ""},
                         {496, Address, Utf16("unseen@a.b")}}));
    // A second marker at 495 is seen; its text at R + 503 lies past the window.
    book.Add(WindowWith(
        {{0, NoMarker, Utf16("start@a.b")}, {40, Address, ""}, {495, Address, Utf16("late@a.b")}}));
    const ReadOutcome outcome = Read(book.Bytes());
    EXPECT_EQ(outcome.Result, BookReadResult::Complete);
    EXPECT_EQ(outcome.Addresses(),
              QStringList({"two@a.b", "x@y.z", "two@a.b", "start@a.b", "start@a.b", "late@a.b"}));
    ASSERT_EQ(outcome.Records.size(), 6);
    EXPECT_EQ(outcome.Records[0].DisplayName, thirty) << "names come whole";
    EXPECT_EQ(outcome.Records[1].DisplayName, thirty + QString::fromUtf8("é"));
    EXPECT_EQ(outcome.Records[2].DisplayName, "Name two");
    EXPECT_EQ(outcome.Records[3].DisplayName, "start@a.b") << "no name marker either";
}

TEST_F(BookReader, RecordWindowMustLieInsideTheFile) {
    AddressBookBytes book(3);
    book.Add(AddressBookBytes::Record("one@example.org"));
    book.Add(AddressBookBytes::Record("last@example.org"));
    const QByteArray exact = book.Bytes(); // the last window ends with the file
    EXPECT_EQ(Read(exact).Result, BookReadResult::Complete);
    EXPECT_EQ(Read(exact).Addresses().size(), 2);

    const ReadOutcome shortByOne = Read(exact.chopped(1));
    EXPECT_EQ(shortByOne.Result, BookReadResult::Truncated);
    EXPECT_EQ(shortByOne.Addresses(), QStringList({"one@example.org"})) << "earlier ones stay";

    for (const qint32 offset :
         {-1, -500, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()}) {
        AddressBookBytes bad = book;
        bad.SetEntry(1, offset);
        const ReadOutcome outcome = Read(bad.Bytes());
        EXPECT_EQ(outcome.Result, BookReadResult::Truncated) << offset;
        EXPECT_EQ(outcome.Addresses(), QStringList({"one@example.org"})) << offset;
    }
}

TEST_F(BookReader, IndexTableEndingEarlyEndsTheRead) {
    // N = 5, but the file ends after entry 0: entry 1 starts at the end of the file.
    QByteArray bytes(2224, '\0');
    bytes.replace(100, 4, Int32(5));
    bytes.replace(200, 500, AddressBookBytes::Record("one@example.org"));
    bytes.append(Int32(200)).append(Int32(0));
    const ReadOutcome outcome = Read(bytes);
    EXPECT_EQ(outcome.Result, BookReadResult::Truncated);
    EXPECT_EQ(outcome.Addresses(), QStringList({"one@example.org"}));
    // An entry inside the file whose four bytes run past its end: three bytes of 200 are not
    // an offset.
    const ReadOutcome partial = Read(bytes + QByteArray("\xC8\x00\x00", 3));
    EXPECT_EQ(partial.Result, BookReadResult::Truncated);
    EXPECT_EQ(partial.Addresses(), QStringList({"one@example.org"}));
}

TEST_F(BookReader, TextPastTheWindowIsReadFromTheFileAsFarAsItGoes) {
    // Marker at 400: 255 bytes reach R + 663, and an odd length drops its last byte.
    const QString longText = "a@b." + QString(123, 'x');
    // Marker at 490 in the file's last window: of 40 bytes at R + 498 only two exist.
    QByteArray atEnd = WindowWith({{10, Address, ""}, {490, Address, ""}});
    atEnd[494] = 40;
    atEnd.replace(498, 2, Utf16("Z"));
    AddressBookBytes book;
    book.Add(WindowWith({{10, Address, ""}, {400, Address, Utf16(longText) + "y"}}));
    book.Add(atEnd);
    const ReadOutcome outcome = Read(book.Bytes());
    EXPECT_EQ(outcome.Result, BookReadResult::Complete);
    EXPECT_EQ(outcome.Addresses(), QStringList({longText, "Z"}));
}

} // namespace
