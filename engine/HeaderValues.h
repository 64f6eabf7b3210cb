#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

// The value of the first header line that starts with name (its colon included), compared
// without regard to case; leading and trailing characters up to code 32 are cut off. Only
// that one line counts: a folded field keeps just its first line. "" when no line matches.
QString ExtractHeaderValue(const QStringList& headerLines, const QString& name);

// The part between the first "<" and the first ">" when the value holds both ("" when the ">"
// comes first); otherwise the value unchanged.
QString ExtractAngleAddress(const QString& value);

// The text without leading and trailing characters up to code 32 (blanks, tabs, controls).
QString TrimBlanks(QStringView text);

// One account's header values in message order: position 0 belongs to message 1.
struct MessageLists {
    QStringList FromList;
    QStringList ReplyToList; // Reply-to, else Return-path
    QStringList SubjectList;

    void Clear() {
        FromList.clear();
        ReplyToList.clear();
        SubjectList.clear();
    }
};

// Appends the From, reply address and Subject values of one fetched header to the lists.
void AppendHeaderValues(const QStringList& headerLines, MessageLists& lists);

} // namespace sievra
