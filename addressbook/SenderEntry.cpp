#include "SenderEntry.h"

#include "AddressValidity.h"

namespace sievra {

namespace {

// At least one dot between two labels, and nothing that cannot stand in a domain name.
bool IsDomain(QStringView domain) {
    if (domain.isEmpty() || domain.startsWith(u'.') || domain.endsWith(u'.') ||
        !domain.contains(u'.') || domain.contains(QLatin1String(".."))) {
        return false;
    }
    for (const QChar c : domain) {
        if (c.isSpace() || c == u'@' || c == u'*' || c == u'<' || c == u'>' || c.unicode() < 32) {
            return false;
        }
    }
    return true;
}

} // namespace

SenderEntryKind KindOfSenderEntry(const QString& entry) {
    if (entry.startsWith(u'@')) {
        return IsDomain(QStringView(entry).mid(1)) ? SenderEntryKind::Domain
                                                   : SenderEntryKind::Invalid;
    }
    if (entry.startsWith(QLatin1String("*."))) {
        return IsDomain(QStringView(entry).mid(2)) ? SenderEntryKind::DomainAndSubdomains
                                                   : SenderEntryKind::Invalid;
    }
    return IsValidAddress(entry) ? SenderEntryKind::Address : SenderEntryKind::Invalid;
}

QString DomainOfSenderEntry(const QString& entry) {
    switch (KindOfSenderEntry(entry)) {
    case SenderEntryKind::Domain:
        return entry.mid(1);
    case SenderEntryKind::DomainAndSubdomains:
        return entry.mid(2);
    default:
        return QString();
    }
}

} // namespace sievra
