#include "Pop3Reply.h"

#include <limits>

namespace sievra {

namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Reads the digits at `pos` and moves past them; a number beyond `max` stays at `max`.
qint64 ReadDigits(QStringView text, qsizetype& pos, qint64 max) {
    qint64 value = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        const int digit = text[pos].unicode() - '0';
        value = value > (max - digit) / 10 ? max : value * 10 + digit;
    }
    return value;
}

bool IsBlankOrControl(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x7f;
}

} // namespace

Pop3ReplyKind ClassifyPop3Reply(QStringView line) {
    if (line.startsWith(QLatin1Char('+'))) {
        return Pop3ReplyKind::Ok;
    }
    return line.startsWith(QLatin1String("-ERR")) ? Pop3ReplyKind::Err : Pop3ReplyKind::Other;
}

Pop3StatCounts ParseStatReply(QStringView reply) {
    qsizetype pos = 0;
    while (pos < reply.size() && !IsDigit(reply[pos])) {
        ++pos;
    }
    if (pos == reply.size()) {
        return {};
    }
    if (pos > 0 && reply[pos - 1] == QLatin1Char('-')) {
        return {0, 0, true};
    }
    const qint64 count = ReadDigits(reply, pos, std::numeric_limits<int>::max());
    while (pos < reply.size() &&
           (reply[pos] == QLatin1Char(' ') || reply[pos] == QLatin1Char('\t') ||
            reply[pos] == QLatin1Char('\r') || reply[pos] == QLatin1Char('\n'))) {
        ++pos;
    }
    if (pos == reply.size()) {
        return {};
    }
    const qint64 size = ReadDigits(reply, pos, std::numeric_limits<qint64>::max());
    return {static_cast<int>(count), size, false};
}

QString TrimPop3Argument(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlankOrControl(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlankOrControl(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString GreetingTimestamp(const QString& greeting) {
    const qsizetype open = greeting.indexOf(QLatin1Char('<'));
    if (open < 0) {
        return {};
    }
    const qsizetype close = greeting.indexOf(QLatin1Char('>'), open);
    return close < 0 ? QString() : greeting.mid(open, close - open + 1);
}

} // namespace sievra
