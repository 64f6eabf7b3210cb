#pragma once

#include "addressbook/AddressBook.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace sievra {

// The accepted senders, upper-cased, for lookups whose cost does not grow with the book.
// Built once per change of the book. Besides addresses it takes the two domain forms of the
// allowed senders: "@example.org" (that domain) and "*.example.org" (it and its subdomains).
class AddressIndex {
public:
    AddressIndex() = default;
    explicit AddressIndex(const AddressBook& book);

    // True when some address entry equals address once both are upper-cased, or when the
    // address's domain (after its last "@") is one a domain entry allows.
    bool Contains(const QString& address) const;
    qsizetype AddressCount() const { return upper_.size(); }
    bool HasDomainEntries() const { return !domains_.isEmpty() || !domainTrees_.isEmpty(); }

private:
    // Takes an entry of a domain form (a malformed one allows nothing); false for others.
    bool AddDomainEntry(const QString& entry);
    bool DomainAllowed(const QString& upperAddress) const;

    // Sorted (hash, position in upper_) pairs: a binary search finds the few entries with the
    // address's hash, and only those are compared. Building this takes about half the time a
    // hash set of 100,000 strings does, and a pass builds it on every load.
    std::vector<std::pair<size_t, qsizetype>> byHash_;
    QStringList upper_;
    QSet<QString> domains_;
    QSet<QString> domainTrees_;
};

} // namespace sievra
