#pragma once

#include <QString>

namespace sievra {

// The forms an allowed sender takes.
enum class SenderEntryKind {
    Invalid,
    Address,             // jane@example.org, as plausible as IsValidAddress wants
    Domain,              // @example.org: that domain only
    DomainAndSubdomains, // *.example.org: that domain and every domain below it
};

SenderEntryKind KindOfSenderEntry(const QString& entry);

// The domain an entry of the two domain forms names ("example.org"); "" for others.
QString DomainOfSenderEntry(const QString& entry);

} // namespace sievra
