#include "CodeWordMemo.h"

#include "settings/EntryRules.h"
#include "settings/JoinedList.h"

namespace sievra {

namespace {

bool IsBlank(QChar c) {
    return c.unicode() <= 0x20 || c.category() == QChar::Other_Control || c.isSpace();
}

QString TrimBlanks(const QString& line) {
    qsizetype first = 0;
    qsizetype last = line.size();
    while (first < last && IsBlank(line[first])) {
        ++first;
    }
    while (last > first && IsBlank(line[last - 1])) {
        --last;
    }
    return line.mid(first, last - first);
}

} // namespace

QStringList MemoLines(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty()) {
        lines.removeLast(); // a final line break ends the last line; it does not start one
    }
    return lines;
}

QString MemoTextOfJoined(const QString& joined) {
    QString text;
    for (const QString& entry : SplitJoined(joined)) {
        text += entry + QLatin1Char('\n');
    }
    return text;
}

QString JoinMemoLines(const QString& text) {
    QString joined;
    for (const QString& line : MemoLines(text)) {
        const QString entry = TrimBlanks(line);
        if (!entry.isEmpty()) {
            joined += entry + QLatin1Char('|');
        }
    }
    return joined;
}

QString MemoProblem(const QString& text, const QString& kind) {
    QStringList earlier;
    for (const QString& line : MemoLines(text)) {
        const QString entry = TrimBlanks(line);
        if (entry.isEmpty()) {
            continue;
        }
        const QString problem = ListEntryProblem(entry, earlier, kind);
        if (!problem.isEmpty()) {
            return problem;
        }
        earlier.append(entry);
    }
    return QString();
}

} // namespace sievra
