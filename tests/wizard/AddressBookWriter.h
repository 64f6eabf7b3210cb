#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace sievra::test {

// One contact of a generated address book file. Without a name the record carries no
// display-name pattern at all.
struct BookRecord {
    QString Address;
    std::optional<QString> Name;
};

struct BookLayout {
    // Index entries the file claims (N + 1); the number of records when not set.
    std::optional<int> DeclaredEntries;
    // Cut the file to this many bytes after building it.
    std::optional<qsizetype> TruncateAt;
    // Put the records (at most three) before the index table, so a file cut inside the
    // index still holds them.
    bool RecordsBeforeIndex = false;
};

// Builds a file in the address book layout the reader understands: the entry count at 100,
// the index table at 2224, and per record a window in which each text follows the second
// occurrence of its pattern.
QByteArray BuildAddressBook(const QList<BookRecord>& records, const BookLayout& layout = {});

} // namespace sievra::test
