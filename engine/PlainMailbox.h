#pragma once

#include <QString>

namespace sievra {

// The only form of address a reply goes to: a plain RFC 5321 mailbox, local part "@" domain.
//   local part  a dot-string: atoms of atext (RFC 5322 3.2.3) joined by single dots
//   domain      labels of letters, digits and inner hyphens joined by single dots, or an
//               address literal in square brackets ("[192.0.2.1]", "[IPv6:...]")
//   at most 254 octets in UTF-8, so the path with its brackets fits the 256 of RFC 5321
//   4.5.3.1.3 and the reply's To line never needs folding
// Characters beyond ASCII count as atext and as label letters (RFC 6531). No blank, control,
// angle bracket, quote, comma, colon, semicolon or parenthesis gets through, so such an
// address can neither carry an SMTP parameter nor a group or a second header line.
bool IsPlainMailbox(const QString& address);

// The address as a status line may show it: controls replaced by "?", at most 80 characters.
QString ShownAddress(const QString& address);

} // namespace sievra
