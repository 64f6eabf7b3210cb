#pragma once

#include <QString>
#include <QStringView>

namespace sievra {

// What a POP3 status line says.
enum class Pop3ReplyKind {
    Ok,   // "+OK ...": the command went through
    Err,  // "-ERR ...": refused
    Other // anything else: the server is out of step; the client treats it as a refusal
};

// Classifies a reply line. Any line that starts with "+" counts as positive, as the client has
// always read it: a server that writes the rest of "+OK" differently still means yes.
Pop3ReplyKind ClassifyPop3Reply(QStringView line);

// The two numbers of a positive STAT reply ("+OK 2 320").
struct Pop3StatCounts {
    int count = 0;
    qint64 size = 0;
    // The count came with a minus sign: no mailbox holds fewer than no messages, so the
    // reply is a protocol error rather than a count to trust.
    bool negative = false;
    bool operator==(const Pop3StatCounts&) const = default;
};

// Reads the message count and mailbox size from a STAT reply: the first run of digits is the
// count and the digits after the blanks that follow it the size. Both are needed: a reply
// without digits, or with nothing after the first number, gives 0 and 0. Numbers too large
// for their type stop at its maximum. A "-" right before the count's digits marks it negative.
Pop3StatCounts ParseStatReply(QStringView reply);

// A user name or password as it goes on the wire: without blanks and control characters at
// either end.
QString TrimPop3Argument(const QString& text);

// The greeting's time stamp for APOP: from the first "<" to the first ">" after it, both
// included; empty when there is none.
QString GreetingTimestamp(const QString& greeting);

} // namespace sievra
