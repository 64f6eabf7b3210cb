#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

// The lines of a memo's text, as a list box of lines counts them: "" has none, "a\n" has one
// and "\n" has one empty line.
QStringList MemoLines(const QString& text);

// The memo text that shows each entry of a joined list on its own line.
QString MemoTextOfJoined(const QString& joined);

// The joined list of a memo: empty lines skipped, blanks and control characters trimmed off
// both ends of the others, each followed by "|". A line of blanks gives an empty entry.
QString JoinMemoLines(const QString& text);

} // namespace sievra
