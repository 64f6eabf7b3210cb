#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

// The lines every reply carries after its header block, so that other programs never answer
// it (RFC 3834) and mail readers thread it under the message it answers: "Auto-Submitted:
// auto-replied", "In-Reply-To:" and "References:" with the rejected message's Message-ID
// when it had a usable one, "X-Auto-Response-Suppress: All".
QStringList ReplyMarkLines(const QString& messageId);

// True for a Message-ID that can go into a reply's header as it is: one "<...>" of printable
// ASCII without blanks, short enough for one header line.
bool IsUsableMessageId(const QString& messageId);

} // namespace sievra
