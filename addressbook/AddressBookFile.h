#pragma once

#include <QString>
#include <functional>

class QIODevice;

namespace sievra {

// One index entry of an address book file, decoded. No validity test has been applied.
struct ContactRecord {
    QString Address;
    QString DisplayName;
};

// How reading the file ended.
enum class BookReadResult {
    Complete,   // every index entry 0..N was read (or N was negative)
    NoPath,     // the path is empty
    CannotOpen, // the file could not be opened for reading
    TooShort,   // the file ends before the entry count is complete
    Truncated,  // an index entry or a record window lies outside the file
};

// The one reader of the address book file format, shared by the screening engine and the
// wizard's preview: calls onRecord for every index entry in file order, then closes the file.
// The file is opened read-only and never locked against other programs. Records delivered
// before a failure stay delivered.
BookReadResult ReadAddressBookRecords(const QString& path,
                                      const std::function<void(const ContactRecord&)>& onRecord);

// The same over a device that is already open for reading and allows seeking (a QFile or a
// QBuffer); the device is left open. Never reads outside the device's size.
BookReadResult ReadAddressBookRecords(QIODevice& device,
                                      const std::function<void(const ContactRecord&)>& onRecord);

} // namespace sievra
