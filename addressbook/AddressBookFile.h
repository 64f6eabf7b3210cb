#pragma once

#include <functional>

#include <QString>

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
    Truncated,  // an index entry or a record window lies past the end of the file
};

// The one reader of the address book file format, shared by the screening engine and the
// wizard's preview: calls onRecord for every index entry in file order, then closes the file.
// The file is opened read-only and never locked against other programs.
BookReadResult ReadAddressBookRecords(const QString& path,
                                      const std::function<void(const ContactRecord&)>& onRecord);

} // namespace sievra
