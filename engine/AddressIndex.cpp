#include "AddressIndex.h"

#include "UpperCase.h"

#include <algorithm>

namespace sievra {

namespace {

size_t HashOf(const QString& upper) {
    return qHash(upper, size_t(0));
}

} // namespace

AddressIndex::AddressIndex(const AddressBook& book) {
    upper_.reserve(book.size());
    byHash_.reserve(static_cast<size_t>(book.size()));
    for (const QString& entry : book) {
        upper_.append(UpperCased(entry));
        byHash_.emplace_back(HashOf(upper_.constLast()), upper_.size() - 1);
    }
    std::sort(byHash_.begin(), byHash_.end());
}

bool AddressIndex::Contains(const QString& address) const {
    const QString upper = UpperCased(address);
    const size_t hash = HashOf(upper);
    auto at = std::lower_bound(byHash_.begin(), byHash_.end(), std::make_pair(hash, qsizetype(0)));
    for (; at != byHash_.end() && at->first == hash; ++at) {
        if (upper_.at(at->second) == upper) {
            return true;
        }
    }
    return false;
}

} // namespace sievra
