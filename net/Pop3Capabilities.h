#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace sievra {

// What a server's CAPA list offers, as far as the client uses it (RFC 2449). A server that
// refuses CAPA offers nothing.
struct Pop3Capabilities {
    bool Pipelining = false;
    bool Uidl = false;
    bool Stls = false;
    // Takes one line of the list (the first word names the capability, case ignored).
    void Note(QStringView line);
};

// One line of a multi-line UIDL answer: "<number> <unique id>".
struct Pop3UniqueId {
    int Number = 0;
    QString Id;
    bool operator==(const Pop3UniqueId&) const = default;
};

// Reads a UIDL line. The id is 1 to 70 characters from 0x21 to 0x7E (RFC 1939 7); a line
// that does not hold a message number and such an id gives nothing.
std::optional<Pop3UniqueId> ParseUidlLine(QStringView line);

} // namespace sievra
