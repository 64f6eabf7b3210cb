#include "AddressBookWriter.h"

#include <QtEndian>

namespace sievra::test {

namespace {

constexpr qsizetype CountOffset = 100;
constexpr qsizetype IndexOffset = 2224;
constexpr qsizetype RecordSize = 600;
constexpr qsizetype GapStart = 120; // room for three records between the count and the index

const QByteArray AddressPattern("\x1F\x00\x03\x30", 4);
const QByteArray NamePattern("\x1F\x00\x01\x30", 4);

void PutInt(QByteArray& file, qsizetype offset, qint32 value) {
    qToLittleEndian(value, file.data() + offset);
}

QByteArray Utf16(const QString& text) {
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes + QByteArray(2, '\0'); // the terminating NUL code unit
}

// pattern, then the length byte and three unused bytes, then the text
QByteArray Field(const QByteArray& pattern, const QString& text) {
    const QByteArray bytes = Utf16(text);
    QByteArray field = pattern;
    field.append(static_cast<char>(bytes.size()));
    field.append(QByteArray(3, '\0'));
    return field + bytes;
}

QByteArray Record(const BookRecord& r) {
    QByteArray record;
    if (r.Name) {
        record += NamePattern + QByteArray(4, '\0'); // first occurrence: not the one used
        record += Field(NamePattern, *r.Name);
    }
    record += AddressPattern + QByteArray(4, '\0');
    record += Field(AddressPattern, r.Address);
    if (record.size() > RecordSize) {
        qFatal("test address book record too long");
    }
    return record + QByteArray(RecordSize - record.size(), '\0');
}

} // namespace

QByteArray BuildAddressBook(const QList<BookRecord>& records, const BookLayout& layout) {
    const qsizetype count = records.size();
    const qsizetype indexEnd = IndexOffset + 8 * count;
    QByteArray file(layout.RecordsBeforeIndex ? indexEnd : indexEnd + RecordSize * count, '\0');
    // The class id every such file begins with, by which a source is known as one.
    file.replace(0, 16, QByteArray::fromHex("9ccbcb8d1375d211915800c04f7956a4"));
    if (layout.RecordsBeforeIndex && GapStart + RecordSize * count > IndexOffset) {
        qFatal("only three records fit before the index table");
    }
    PutInt(file, CountOffset,
           static_cast<qint32>(layout.DeclaredEntries.value_or(static_cast<int>(count)) - 1));
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype at = (layout.RecordsBeforeIndex ? GapStart : indexEnd) + RecordSize * i;
        PutInt(file, IndexOffset + 8 * i, static_cast<qint32>(at));
        file.replace(at, RecordSize, Record(records[i]));
    }
    if (layout.TruncateAt) {
        file.truncate(*layout.TruncateAt);
    }
    return file;
}

} // namespace sievra::test
