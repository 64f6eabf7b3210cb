#pragma once

#include "addressbook/AddressBook.h"

#include <QSet>
#include <QString>

namespace sievra {

// The address book's entries, upper-cased, for lookups whose cost does not grow with the
// book. Built once per load of the book.
class AddressIndex {
public:
    AddressIndex() = default;
    explicit AddressIndex(const AddressBook& book);

    // True when some entry equals address once both are upper-cased.
    bool Contains(const QString& address) const;
    qsizetype DistinctCount() const { return entries_.size(); }

private:
    QSet<QString> entries_;
};

} // namespace sievra
