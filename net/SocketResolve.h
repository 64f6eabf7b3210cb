#pragma once

#include <QHostAddress>
#include <QString>
#include <optional>

namespace sievra {

// The address and port rules the socket applies at connect. Each resolver raises
// ESocketException with the text users see (the socket prefixes "connect: ").

// A dotted IPv4 address is exactly four groups of decimal digits, each of value 255 or less,
// separated by single dots; blanks before and after are allowed. Gives the normalised text
// ("010.1.1.1 " -> "10.1.1.1"), or nothing when the text is not one.
std::optional<QString> DottedAddress(const QString& text);

// Port text: digits (leading blanks skipped, anything after the digits ignored: "25x" -> 25),
// or a service name from the system's service database for `proto` ("pop3" -> 110).
// Empty or 32 characters and more: "WSocketResolvePort: Invalid Port.".
quint16 WSocketResolvePort(const QString& port, const QString& proto = QStringLiteral("tcp"));

// Server address: a dotted address is taken as it is ("255.255.255.255" too); other text is
// resolved by name, synchronously, to its first IPv4 address.
QHostAddress WSocketResolveHost(const QString& host);

// Only TCP is spoken: "tcp" (any case) or its number 6.
void WSocketResolveProto(const QString& proto);

} // namespace sievra
