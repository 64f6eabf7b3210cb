#pragma once

#include "mail/AutomaticMessage.h"

#include <QString>
#include <QStringList>
#include <optional>

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

// The fields of one message's header that the rules and the reply read, as the header reader
// found them: unfolded, not yet decoded, so a history can keep them as written.
struct MessageFields {
    QString From; // the first From field
    // From fields in the header; with more than one the first counts, and a history says so.
    qsizetype FromCount = 0;
    QString ReplyTo;
    QString ReturnPath;
    QString Subject;
    QString Date; // as written
    // The fields that tell automatic and forged mail, unfolded, in header order ("Name: value").
    QStringList GuardLines;
    // What the header shows of a program as its writer (marks only; the reply address is
    // checked once the decision has settled it).
    std::optional<AutomaticSign> Automatic;
    QString MessageId; // as written, "" when there is none
    // The failure the topmost Authentication-Results reports for the From domain, or "".
    QString ForgedSender;
    // Set by the decision: the From address is a contact, and the forged-sender check made
    // the hit not count.
    bool ForgedContact = false;
};

// One account's header values in message order: position 0 belongs to message 1.
struct MessageLists {
    QStringList FromList;
    QStringList ReplyToList; // Reply-to, else Return-path
    QStringList SubjectList;
    // Empty when the header reader is off (a benchmark comparing the raw rules alone).
    QList<MessageFields> FieldsList;

    void Clear() {
        FromList.clear();
        ReplyToList.clear();
        SubjectList.clear();
        FieldsList.clear();
    }
};

// Whether the header reader runs beside the raw lines; only benchmarks turn it off.
enum class HeaderReading { RawLines, Fields };

// Appends the From, reply address and Subject values of one fetched header to the lists, and
// what the header reader finds in it.
void AppendHeaderValues(const QStringList& headerLines, MessageLists& lists,
                        HeaderReading reading = HeaderReading::Fields);

} // namespace sievra
