#include "AddressBookFile.h"

#include "PatternSearch.h"
#include "Utf16Text.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <optional>

namespace sievra {

namespace {

// Where the file keeps what we read; all integers are little-endian.
constexpr qint64 CountOffset = 100;  // signed N: the highest index entry number
constexpr qint64 IndexOffset = 2224; // index entry i at IndexOffset + IndexStride * i
constexpr qint64 IndexStride = 8;    // the four bytes after each record offset are not ours
constexpr qint64 WindowSize = 500;   // the first bytes of a record, searched for the fields
// Searching 499 bytes leaves the last four window starts unseen; the file format has always
// been read this way, so a field there is treated as missing.
constexpr int SearchLength = 499;
constexpr int Occurrence = 2;       // the second occurrence of a field's marker counts
constexpr qsizetype LengthAt = 4;   // from the marker: the text length in bytes
constexpr qsizetype TextAt = 8;     // from the marker: the text itself
constexpr quint8 AddressTag = 0x03; // marker 1F 00 03 30
constexpr quint8 NameTag = 0x01;    // marker 1F 00 01 30

// Reads at absolute offsets, clipped to the size the file had when reading began, so no
// record offset, however wrong, makes us read outside the file.
class BookDevice {
public:
    explicit BookDevice(QIODevice& device)
        : device_(device)
        , size_(device.size()) {}

    qint64 Size() const { return size_; }

    // The bytes that are there, at most length of them.
    QByteArray ReadAt(qint64 offset, qint64 length) {
        if (offset < 0 || offset >= size_ || length <= 0) {
            return QByteArray();
        }
        if (!device_.seek(offset)) {
            return QByteArray();
        }
        return device_.read(std::min(length, size_ - offset));
    }

    std::optional<qint32> ReadInt32(qint64 offset) {
        const QByteArray bytes = ReadAt(offset, 4);
        if (bytes.size() != 4) {
            return std::nullopt;
        }
        return qFromLittleEndian<qint32>(bytes.constData());
    }

private:
    QIODevice& device_;
    qint64 size_;
};

// The text of the field whose marker stands at offset p of the window of the record at
// recordOffset. Text that lies inside the window is taken from it; the rest is read from the
// file, as far as the file goes.
QString FieldText(BookDevice& book, const QByteArray& window, qint64 recordOffset, int p) {
    const qsizetype length = static_cast<quint8>(window.at(p + LengthAt));
    const qsizetype start = p + TextAt;
    if (start + length <= window.size()) {
        return DecodeUtf16Le(QByteArrayView(window).sliced(start, length));
    }
    return DecodeUtf16Le(book.ReadAt(recordOffset + start, length));
}

int FindField(const QByteArray& window, quint8 tag) {
    return FindNthPattern(0x1F, 0x00, tag, 0x30, window, SearchLength, Occurrence);
}

} // namespace

BookReadResult ReadAddressBookRecords(QIODevice& device,
                                      const std::function<void(const ContactRecord&)>& onRecord) {
    BookDevice book(device);
    // A file that ends inside N cannot say how many entries it has.
    const std::optional<qint32> highest = book.ReadInt32(CountOffset);
    if (!highest) {
        return BookReadResult::TooShort;
    }
    for (qint64 i = 0; i <= *highest; ++i) {
        // An entry whose four bytes do not all lie in the file is as missing as one past it.
        const std::optional<qint32> recordOffset = book.ReadInt32(IndexOffset + IndexStride * i);
        if (!recordOffset) {
            return BookReadResult::Truncated;
        }
        const qint64 r = *recordOffset;
        if (r < 0 || r + WindowSize > book.Size()) {
            return BookReadResult::Truncated;
        }
        const QByteArray window = book.ReadAt(r, WindowSize);
        if (window.size() != WindowSize) {
            return BookReadResult::Truncated; // the file shrank while we read it
        }
        ContactRecord record;
        record.Address = FieldText(book, window, r, FindField(window, AddressTag));
        record.DisplayName = FieldText(book, window, r, FindField(window, NameTag));
        onRecord(record);
    }
    return BookReadResult::Complete;
}

BookReadResult ReadAddressBookRecords(const QString& path,
                                      const std::function<void(const ContactRecord&)>& onRecord) {
    if (path.isEmpty()) {
        return BookReadResult::NoPath;
    }
    // Read-only and unlocked: the user's mail client may have the book open for writing.
    // Unbuffered, since every read is a seek elsewhere and a buffer would only be refilled.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return BookReadResult::CannotOpen;
    }
    const BookReadResult result = ReadAddressBookRecords(file, onRecord);
    file.close();
    return result;
}

} // namespace sievra
