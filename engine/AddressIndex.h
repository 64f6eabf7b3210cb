#pragma once

#include "addressbook/AddressBook.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace sievra {

// The address book's entries, upper-cased, for lookups whose cost does not grow with the
// book. Built once per load of the book.
class AddressIndex {
public:
    AddressIndex() = default;
    explicit AddressIndex(const AddressBook& book);

    // True when some entry equals address once both are upper-cased.
    bool Contains(const QString& address) const;

private:
    // Sorted (hash, position in upper_) pairs: a binary search finds the few entries with the
    // address's hash, and only those are compared. Building this takes about half the time a
    // hash set of 100,000 strings does, and a pass builds it on every load.
    std::vector<std::pair<size_t, qsizetype>> byHash_;
    QStringList upper_;
};

} // namespace sievra
