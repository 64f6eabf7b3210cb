#pragma once

#include <QString>
#include <optional>

namespace sievra {

// How a mail client protects its connection. The numbers are the ones the settings keep.
//   None      plain text from start to end
//   StartTls  plain greeting, then the protocol's switch to TLS ("STLS" for POP3 after the
//             greeting, "STARTTLS" for SMTP after EHLO); a server that refuses or does not
//             offer it fails the connect, never falls back to plain text
//   Tls       TLS from the first byte (the usual ports 995 and 465)
enum class ConnectionSecurity : int { None = 0, StartTls = 1, Tls = 2 };

// The stored number as a security, or nothing when it is none of the three.
std::optional<ConnectionSecurity> SecurityFromNumber(int number);

// "STARTTLS", "TLS", or "" for None: how status lines name it.
QString SecurityName(ConnectionSecurity security);

} // namespace sievra
