#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

// What the user may type where a value reaches the store as text. Each check returns "" when
// the text is fine, else the sentence that says why it is refused.

// One code word or hint. A bar would split it on the next load, since the joined list uses it
// as its separator ("a|pipe" would come back as the code words "a" and "pipe"); an entry
// equal to another one but for case would screen nothing new. `entry` is compared trimmed;
// `others` are the list's other entries.
QString ListEntryProblem(const QString& entry, const QStringList& others, const QString& kind);

// The entries of a list as they are saved: trimmed, empty ones left out.
QStringList TidyEntries(const QStringList& entries);

// A port is a number from 1 to 65535 or a service name the system knows ("pop3").
bool IsValidPortText(const QString& port);
QString PortProblem(const QString& port);

// The port that goes with a change of security: TLS on the plain port offers the TLS port,
// and back. Any other port stays as the user typed it.
QString PortForSecurity(const QString& port, bool tls, int plainPort, int tlsPort);

} // namespace sievra
