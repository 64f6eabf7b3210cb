#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

// The lines of a memo's text, as a list box of lines counts them: "" has none, "a\n" has one
// and "\n" has one empty line.
QStringList MemoLines(const QString& text);

// The memo text that shows each entry of a joined list on its own line.
QString MemoTextOfJoined(const QString& joined);

// The joined list of a memo: blanks and control characters trimmed off both ends of each
// line, lines left empty skipped, each entry followed by "|".
QString JoinMemoLines(const QString& text);

// Why a memo's entries cannot be saved ("" when they can): an entry with a "|", or two that
// differ only by case. `kind` names an entry in the message ("code word").
QString MemoProblem(const QString& text, const QString& kind);

} // namespace sievra
