#pragma once

#include <QList>
#include <QString>

namespace sievra {

// One mailbox of an address field.
struct MailAddress {
    QString Name;         // display name or comment, decoded, without control characters
    QString Address;      // the addr-spec, an IDN domain in Unicode
    QString AsciiAddress; // the same with an IDN domain in its ASCII (punycode) form

    bool operator==(const MailAddress&) const = default;
};

// The mailboxes of an address field value (RFC 5322 address-list): display names, comments,
// quoted strings and encoded words handled, the members of groups in their place. Mailboxes
// whose address is empty or holds control characters are left out. Empty when the value
// cannot be parsed.
QList<MailAddress> ParseAddressList(const QString& value);

} // namespace sievra
