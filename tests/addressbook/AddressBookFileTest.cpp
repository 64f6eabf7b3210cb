#include "addressbook/AddressBookFile.h"

#include "tests/support/AddressBookBytes.h"
#include "tests/support/TestHome.h"

#include <QBuffer>
#include <QFile>
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

QByteArray Int32(qint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<qint32>(value, bytes.data());
    return bytes;
}

TEST_F(BookReader, TooShortForTheEntryCount) {
    for (const qsizetype size : {0, 99, 100, 103}) {
        QByteArray bytes(size, '\0');
        EXPECT_EQ(Read(bytes).Result, BookReadResult::TooShort) << size;
    }
    // 104 bytes hold N; with N = -1 nothing more is needed.
    EXPECT_EQ(Read(QByteArray(100, '\0') + Int32(-1)).Result, BookReadResult::Complete);
    EXPECT_EQ(Read(QByteArray(100, '\0') + Int32(0)).Result, BookReadResult::Truncated);
}

TEST_F(BookReader, ReadsEntriesZeroToN) {
    AddressBookBytes book;
    book.Add(AddressBookBytes::Record("first@example.org", "First"));
    book.Add(AddressBookBytes::Record("second@example.org", "Second"));
    book.Add(AddressBookBytes::Record("third@example.org", "Third"));

    const ReadOutcome all = Read(book.Bytes());
    EXPECT_EQ(all.Result, BookReadResult::Complete);
    EXPECT_EQ(all.Addresses(),
              QStringList({"first@example.org", "second@example.org", "third@example.org"}));
    EXPECT_EQ(all.Records[1].DisplayName, "Second");

    book.SetHighest(0);
    const ReadOutcome one = Read(book.Bytes());
    EXPECT_EQ(one.Result, BookReadResult::Complete);
    EXPECT_EQ(one.Addresses(), QStringList({"first@example.org"})) << "N = 0 is one entry";

    for (const qint32 n : {-1, std::numeric_limits<qint32>::min()}) {
        book.SetHighest(n);
        const ReadOutcome none = Read(book.Bytes());
        EXPECT_EQ(none.Result, BookReadResult::Complete) << n;
        EXPECT_TRUE(none.Records.isEmpty()) << n;
    }
}

TEST_F(BookReader, FieldMarkerOnceMeansTheFieldAtTheWindowStart) {
    // One address marker only: its length comes from window byte 4 and its text from R + 8,
    // as if the marker stood at offset 0.
    QByteArray window = AddressBookBytes::Window();
    AddressBookBytes::PutField(window, 0, QByteArray(4, '\x7F'),
                               AddressBookBytes::Utf16("start@example.org"));
    AddressBookBytes::PutField(window, 300, AddressBookBytes::AddressMarker(),
                               AddressBookBytes::Utf16("ignored@example.org"));
    AddressBookBytes book;
    book.Add(window);
    const ReadOutcome outcome = Read(book.Bytes());
    ASSERT_EQ(outcome.Records.size(), 1);
    EXPECT_EQ(outcome.Records[0].Address, "start@example.org");
    EXPECT_EQ(outcome.Records[0].DisplayName, "start@example.org") << "no name marker either";
}

TEST_F(BookReader, SecondOfThreeMarkersCounts) {
    QByteArray window = AddressBookBytes::Window();
    AddressBookBytes::PutField(window, 20, AddressBookBytes::AddressMarker(),
                               AddressBookBytes::Utf16("one@a.b"));
    AddressBookBytes::PutField(window, 100, AddressBookBytes::AddressMarker(),
                               AddressBookBytes::Utf16("two@a.b"));
    AddressBookBytes::PutField(window, 200, AddressBookBytes::AddressMarker(),
                               AddressBookBytes::Utf16("three@a.b"));
    AddressBookBytes::PutField(window, 300, AddressBookBytes::NameMarker(),
                               AddressBookBytes::Utf16("Name one"));
    AddressBookBytes::PutField(window, 350, AddressBookBytes::NameMarker(),
                               AddressBookBytes::Utf16("Name two"));
    AddressBookBytes::PutField(window, 400, AddressBookBytes::NameMarker(),
                               AddressBookBytes::Utf16("Name three"));
    AddressBookBytes book;
    book.Add(window);
    const ReadOutcome outcome = Read(book.Bytes());
    ASSERT_EQ(outcome.Records.size(), 1);
    EXPECT_EQ(outcome.Records[0].Address, "two@a.b");
    EXPECT_EQ(outcome.Records[0].DisplayName, "Name two");
}

TEST_F(BookReader, MarkersNearTheWindowEnd) {
    // A second marker at 495 is seen; its text starts at R + 503, past the window, and is read
    // from the file. One at 496 is not seen, so the field falls back to the window start.
    const auto windowWithSecondMarkerAt = [](qsizetype at) {
        QByteArray window = AddressBookBytes::Window();
        AddressBookBytes::PutField(window, 0, QByteArray(4, '\x7F'),
                                   AddressBookBytes::Utf16("w@s.t"));
        AddressBookBytes::PutField(window, 40, AddressBookBytes::AddressMarker(), "xx");
        AddressBookBytes::PutField(window, at, AddressBookBytes::AddressMarker(),
                                   AddressBookBytes::Utf16("late@example.org"));
        return window;
    };
    AddressBookBytes book;
    book.Add(windowWithSecondMarkerAt(495));
    book.Add(windowWithSecondMarkerAt(496));
    const ReadOutcome outcome = Read(book.Bytes());
    EXPECT_EQ(outcome.Result, BookReadResult::Complete);
    EXPECT_EQ(outcome.Addresses(), QStringList({"late@example.org", "w@s.t"}));
}

TEST_F(BookReader, RecordWindowMustLieInsideTheFile) {
    AddressBookBytes book;
    book.Add(AddressBookBytes::Record("one@example.org"));
    book.Add(AddressBookBytes::Record("last@example.org"));
    const QByteArray exact = book.Bytes(); // the last window ends at the end of the file
    const ReadOutcome whole = Read(exact);
    EXPECT_EQ(whole.Result, BookReadResult::Complete);
    EXPECT_EQ(whole.Addresses(), QStringList({"one@example.org", "last@example.org"}));

    const ReadOutcome shortByOne = Read(exact.left(exact.size() - 1));
    EXPECT_EQ(shortByOne.Result, BookReadResult::Truncated);
    EXPECT_EQ(shortByOne.Addresses(), QStringList({"one@example.org"})) << "earlier ones stay";
}

TEST_F(BookReader, OffsetsOutsideTheFileEndTheRead) {
    AddressBookBytes book(4);
    book.Add(AddressBookBytes::Record("one@example.org"));
    book.Add(AddressBookBytes::Record("two@example.org"));
    const QByteArray good = book.Bytes();
    for (const qint32 offset :
         {-1, -500, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(),
          static_cast<qint32>(good.size() - 499)}) {
        AddressBookBytes bad = book;
        bad.SetEntry(1, offset);
        const ReadOutcome outcome = Read(bad.Bytes());
        EXPECT_EQ(outcome.Result, BookReadResult::Truncated) << offset;
        EXPECT_EQ(outcome.Addresses(), QStringList({"one@example.org"})) << offset;
    }
}

TEST_F(BookReader, IndexTableEndingEarlyEndsTheRead) {
    // N promises more entries than the file holds: the entry at 2224 + 8 * i starts beyond the
    // end, at the end, or inside the file with its four bytes running past it.
    QByteArray bytes(2224, '\0');
    bytes.replace(100, 4, Int32(5));
    bytes.replace(200, 500, AddressBookBytes::Record("one@example.org"));
    bytes.append(Int32(200)).append(Int32(0)); // entry 0 only
    const ReadOutcome outcome = Read(bytes);
    EXPECT_EQ(outcome.Result, BookReadResult::Truncated);
    EXPECT_EQ(outcome.Addresses(), QStringList({"one@example.org"}));

    QByteArray header(2224, '\0');
    header.replace(100, 4, Int32(3));
    for (const qsizetype tail : {0, 2, 3}) {
        const ReadOutcome cut = Read(header + QByteArray(tail, '\0'));
        EXPECT_EQ(cut.Result, BookReadResult::Truncated) << tail;
        EXPECT_TRUE(cut.Records.isEmpty()) << tail;
    }
}

TEST_F(BookReader, TextRunningPastTheFileEndIsWhatIsThere) {
    // Window ends at the end of the file; its second marker at 490 puts the text at R + 498,
    // so two of its bytes are in the window and the rest would lie past the end.
    QByteArray window = AddressBookBytes::Window();
    AddressBookBytes::PutField(window, 10, AddressBookBytes::AddressMarker(), "");
    window.replace(490, 4, AddressBookBytes::AddressMarker());
    window[494] = 40;
    window.replace(498, 2, AddressBookBytes::Utf16("Z"));
    AddressBookBytes book;
    book.Add(window);
    const ReadOutcome outcome = Read(book.Bytes());
    EXPECT_EQ(outcome.Result, BookReadResult::Complete);
    ASSERT_EQ(outcome.Records.size(), 1);
    EXPECT_EQ(outcome.Records[0].Address, "Z");
}

TEST_F(BookReader, TextLongerThanTheWindowIsReadFromTheFile) {
    // Marker at 400: 255 bytes of text reach R + 663, past the window; the record after it
    // supplies the bytes. An odd length drops its last byte.
    const QString text = QString("a@b.") + QString(123, 'x');
    QByteArray window = AddressBookBytes::Window();
    AddressBookBytes::PutField(window, 10, AddressBookBytes::AddressMarker(), "");
    AddressBookBytes::PutField(window, 400, AddressBookBytes::AddressMarker(),
                               AddressBookBytes::Utf16(text) + "y");
    ASSERT_EQ(window.size(), 663);
    AddressBookBytes book;
    book.Add(window);
    const ReadOutcome outcome = Read(book.Bytes());
    ASSERT_EQ(outcome.Records.size(), 1);
    EXPECT_EQ(outcome.Records[0].Address, text);
}

TEST_F(BookReader, DisplayNamesComeWhole) {
    const QString thirty = QString("Abcdefghij").repeated(3);
    const QString thirtyOne = thirty + QString::fromUtf8("é");
    AddressBookBytes book;
    book.Add(AddressBookBytes::Record("a@example.org", thirty));
    book.Add(AddressBookBytes::Record("b@example.org", thirtyOne));
    book.Add(AddressBookBytes::Record("c@example.org", ""));
    const ReadOutcome outcome = Read(book.Bytes());
    ASSERT_EQ(outcome.Records.size(), 3);
    EXPECT_EQ(outcome.Records[0].DisplayName, thirty);
    EXPECT_EQ(outcome.Records[1].DisplayName, thirtyOne);
    EXPECT_EQ(outcome.Records[2].DisplayName, "");
}

TEST_F(BookReader, RecordsAreReportedRawAndInIndexOrder) {
    // The index table need not follow file order; invalid addresses are the caller's concern.
    AddressBookBytes book;
    const qint32 first = book.Add(AddressBookBytes::Record("First@Example.ORG"));
    const qint32 second = book.Add(AddressBookBytes::Record("not an address"));
    book.SetEntry(0, second);
    book.SetEntry(1, first);
    book.SetEntry(2, second);
    book.SetHighest(2);
    EXPECT_EQ(Read(book.Bytes()).Addresses(),
              QStringList({"not an address", "First@Example.ORG", "not an address"}));
}

TEST_F(BookReader, DeviceIsReadInPlaceAndTheSameAsTheFile) {
    AddressBookBytes book;
    book.Add(AddressBookBytes::Record("one@example.org", "One"));
    QByteArray bytes = book.Bytes();
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QStringList names;
    EXPECT_EQ(ReadAddressBookRecords(
                  buffer, [&names](const ContactRecord& r) { names.append(r.DisplayName); }),
              BookReadResult::Complete);
    EXPECT_EQ(names, QStringList({"One"}));
    EXPECT_TRUE(buffer.isOpen());
}

TEST_F(BookReader, MissingPathAndUnopenableFiles) {
    int calls = 0;
    const auto count = [&calls](const ContactRecord&) {
        ++calls;
    };
    EXPECT_EQ(ReadAddressBookRecords(QString(), count), BookReadResult::NoPath);
    EXPECT_EQ(ReadAddressBookRecords(home.Path() + "/missing.wab", count),
              BookReadResult::CannotOpen);
    EXPECT_EQ(ReadAddressBookRecords(home.Path(), count), BookReadResult::CannotOpen) << "a folder";
    EXPECT_EQ(calls, 0);
}

} // namespace
