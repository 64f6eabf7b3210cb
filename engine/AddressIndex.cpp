#include "AddressIndex.h"

#include "UpperCase.h"
#include "addressbook/SenderEntry.h"

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
        if (AddDomainEntry(entry)) {
            continue;
        }
        upper_.append(UpperCased(entry));
        byHash_.emplace_back(HashOf(upper_.constLast()), upper_.size() - 1);
    }
    std::sort(byHash_.begin(), byHash_.end());
}

bool AddressIndex::AddDomainEntry(const QString& entry) {
    // Addresses from the books never start so; only allowed senders do.
    if (!entry.startsWith(u'@') && !entry.startsWith(u'*')) {
        return false;
    }
    const QString domain = UpperCased(DomainOfSenderEntry(entry));
    if (KindOfSenderEntry(entry) == SenderEntryKind::Domain) {
        domains_.insert(domain);
    } else if (!domain.isEmpty()) {
        domainTrees_.insert(domain);
    }
    return true;
}

bool AddressIndex::DomainAllowed(const QString& upperAddress) const {
    const qsizetype at = upperAddress.lastIndexOf(u'@');
    if (at < 0 || (domains_.isEmpty() && domainTrees_.isEmpty())) {
        return false;
    }
    QStringView domain = QStringView(upperAddress).mid(at + 1);
    if (domains_.contains(domain.toString())) {
        return true;
    }
    // The domain itself, then each parent: a.b.example.org, b.example.org, example.org.
    while (!domain.isEmpty()) {
        if (domainTrees_.contains(domain.toString())) {
            return true;
        }
        const qsizetype dot = domain.indexOf(u'.');
        domain = dot < 0 ? QStringView() : domain.mid(dot + 1);
    }
    return false;
}

bool AddressIndex::Contains(const QString& address) const {
    const QString upper = UpperCased(address);
    if (DomainAllowed(upper)) {
        return true;
    }
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
