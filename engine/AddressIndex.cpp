#include "AddressIndex.h"

namespace sievra {

AddressIndex::AddressIndex(const AddressBook& book) {
    entries_.reserve(book.size());
    for (const QString& entry : book) {
        entries_.insert(entry.toUpper());
    }
}

bool AddressIndex::Contains(const QString& address) const {
    return entries_.contains(address.toUpper());
}

} // namespace sievra
