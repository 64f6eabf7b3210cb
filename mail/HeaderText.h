#pragma once

#include <QString>

namespace sievra {

// A header value as a reader should see it: RFC 2047 encoded words decoded (any charset the
// system's iconv knows; a word that cannot be decoded stays as written) and every control
// character, also one that came out of an encoded word, turned into a space. Safe for a status
// line or a history entry.
QString DecodeHeaderText(const QString& value);

// The text with every control character (C0, DEL, C1, line and paragraph separators) turned
// into a space.
QString WithoutControls(QString text);

// True when the text holds a control character WithoutControls would replace.
bool HoldsControls(const QString& text);

} // namespace sievra
