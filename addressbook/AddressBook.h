#pragma once

#include <QStringList>

namespace sievra {

class StatusOutput;

// The senders whose mail is accepted, as the address book file lists them: file order,
// duplicates kept, case kept. Comparisons against it ignore case.
using AddressBook = QStringList;

// Status lines written when the book cannot be read at all.
QString NoAddressBookLine();
QString UnableToOpenLine(const QString& path);

// Empties book, then fills it with every valid address of the file at path. True when every
// index entry was read (or the file says it has none). Writes a status line only when the
// path is empty or the file cannot be opened; on any false result the caller must not use the
// addresses read so far.
bool LoadAddressBook(const QString& path, StatusOutput& status, AddressBook& book);

} // namespace sievra
