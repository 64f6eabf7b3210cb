#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <optional>

namespace sievra {

// The longest line SMTP allows before its CR LF (RFC 5321 4.5.3.1.6: 1000 octets with it).
inline constexpr int SmtpMaxLineLength = 998;

// True when the text holds a CR or an LF: such a text must never become part of a command or
// header line, or it would end that line early and start one of its own.
bool HasLineBreak(QStringView text);

// A body line as the lines it really holds: a CR LF, a lone CR or a lone LF inside it ends a
// line, so no server ever sees a bare CR or LF or a "." line that was not meant as one.
QStringList SplitAtLineBreaks(const QString& line);

// One encoded body line as wire lines: dot-stuffed (RFC 5321 4.5.2) and cut into pieces of at
// most 998 bytes, stuffing included. A cut falls after the last blank of a piece when there
// is one in its second half, else at the limit (never inside a UTF-8 character); the pieces
// put together without their stuffing give the line back.
QByteArrayList BodyWireLines(const QByteArray& line, bool utf8);

// One encoded header line as wire lines: as it is when it fits, else folded before blanks or
// tabs (RFC 5322 2.2.3) so that every piece fits. Nothing when it cannot be folded that way.
std::optional<QByteArrayList> FoldHeaderLine(const QByteArray& line);

} // namespace sievra
