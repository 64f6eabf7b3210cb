#include "AddressBookFile.h"

#include "PatternSearch.h"
#include "Utf16Text.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace sievra {

namespace {

// Where the file keeps what we read; all integers are little-endian.
constexpr qint64 CountOffset = 100;   // signed N: the highest index entry number
constexpr qint64 IndexOffset = 2224;  // index entry i at IndexOffset + IndexStride * i
constexpr qint64 IndexStride = 8;     // the four bytes after each record offset are not ours
constexpr qsizetype WindowSize = 500; // the first bytes of a record, searched for the fields
// Searching 499 bytes leaves the last four window starts unseen; the file format has always
// been read this way, so a field there is treated as missing.
constexpr int SearchLength = 499;
constexpr int Occurrence = 2;       // the second occurrence of a field's marker counts
constexpr qsizetype LengthAt = 4;   // from the marker: the text length in bytes
constexpr qsizetype TextAt = 8;     // from the marker: the text itself
constexpr quint8 AddressTag = 0x03; // marker 1F 00 03 30
constexpr quint8 NameTag = 0x01;    // marker 1F 00 01 30

using Window = std::array<char, WindowSize>;

// Reads at absolute offsets, clipped to the size the file had when reading began, so no
// record offset, however wrong, makes us read outside the file.
class BookDevice {
public:
    explicit BookDevice(QIODevice& device)
        : device_(device)
        , size_(device.size()) {
#ifdef Q_OS_UNIX
        if (auto* file = qobject_cast<QFile*>(&device)) {
            handle_ = file->handle();
        }
#endif
    }

    qint64 Size() const {
        return size_;
    }

    // Reads the bytes that are there, at most length of them; returns how many.
    qint64 ReadAt(qint64 offset, char* into, qint64 length) {
        if (offset < 0 || offset >= size_ || length <= 0) {
            return 0;
        }
        length = std::min(length, size_ - offset);
#ifdef Q_OS_UNIX
        // A positioned read is one system call instead of a seek and a read; system calls are
        // most of what loading a large book costs.
        if (handle_ >= 0) {
            ssize_t read;
            do {
                read = ::pread(handle_, into, static_cast<size_t>(length), offset);
            } while (read < 0 && errno == EINTR);
            return std::max<qint64>(read, 0);
        }
#endif
        if (!device_.seek(offset)) {
            return 0;
        }
        return std::max<qint64>(device_.read(into, length), 0);
    }

    std::optional<qint32> ReadInt32(qint64 offset) {
        char bytes[4];
        if (ReadAt(offset, bytes, 4) != 4) {
            return std::nullopt;
        }
        return qFromLittleEndian<qint32>(bytes);
    }

    // Index entries are read in blocks rather than one read each, which halves the system
    // calls of a load; the record windows and texts are still read one by one.
    std::optional<qint32> ReadIndexEntry(qint64 offset) {
        if (offset < tableAt_ || offset + 4 > tableAt_ + tableSize_) {
            tableAt_ = offset;
            tableSize_ = ReadAt(offset, table_.data(), IndexBlock);
            if (tableSize_ < 4) {
                return std::nullopt;
            }
        }
        return qFromLittleEndian<qint32>(table_.data() + (offset - tableAt_));
    }

private:
    static constexpr qint64 IndexBlock = 8 * 1024;

    QIODevice& device_;
    qint64 size_;
    int handle_ = -1;
    std::array<char, IndexBlock> table_{};
    qint64 tableAt_ = 0;
    qint64 tableSize_ = 0;
};

// The text of the field whose marker stands at offset p of the window of the record at
// recordOffset. Text that lies inside the window is taken from it (the same bytes, without
// another read); the rest is read from the file, as far as the file goes.
QString FieldText(BookDevice& book, const Window& window, qint64 recordOffset, int p) {
    const qsizetype length = static_cast<quint8>(window[static_cast<size_t>(p + LengthAt)]);
    const qsizetype start = p + TextAt;
    if (start + length <= WindowSize) {
        return DecodeUtf16Le(QByteArrayView(window.data() + start, length));
    }
    std::array<char, 255> text;
    const qint64 read = book.ReadAt(recordOffset + start, text.data(), length);
    return DecodeUtf16Le(QByteArrayView(text.data(), read));
}

int FindField(const Window& window, quint8 tag) {
    return FindNthPattern(0x1F, 0x00, tag, 0x30, QByteArrayView(window.data(), WindowSize),
                          SearchLength, Occurrence);
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
    Window window;
    ContactRecord record;
    for (qint64 i = 0; i <= *highest; ++i) {
        // An entry whose four bytes do not all lie in the file is as missing as one past it.
        const std::optional<qint32> recordOffset =
            book.ReadIndexEntry(IndexOffset + IndexStride * i);
        if (!recordOffset) {
            return BookReadResult::Truncated;
        }
        const qint64 r = *recordOffset;
        if (r < 0 || r + WindowSize > book.Size()) {
            return BookReadResult::Truncated;
        }
        if (book.ReadAt(r, window.data(), WindowSize) != WindowSize) {
            return BookReadResult::Truncated; // the file shrank while we read it
        }
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
