#include "HeaderValues.h"

#include "UpperCase.h"

namespace sievra {

namespace {

// Spaces, tabs and every control character.
bool IsBlank(QChar c) {
    return c.unicode() <= 32;
}

} // namespace

QString TrimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin).toString();
}

QString ExtractHeaderValue(const QStringList& headerLines, const QString& name) {
    const QString upperName = UpperCased(name);
    for (const QString& line : headerLines) {
        // Only the line's first characters, as many as the name has, are compared; a space
        // before the colon therefore prevents the match.
        if (UpperCased(line.left(name.size())) == upperName) {
            return TrimBlanks(QStringView(line).mid(name.size()));
        }
    }
    return QString();
}

QString ExtractAngleAddress(const QString& value) {
    const qsizetype open = value.indexOf(QLatin1Char('<'));
    const qsizetype close = value.indexOf(QLatin1Char('>'));
    if (open < 0 || close < 0) {
        return value;
    }
    if (close < open) {
        return QString();
    }
    return value.mid(open + 1, close - open - 1);
}

void AppendHeaderValues(const QStringList& headerLines, MessageLists& lists) {
    lists.FromList.append(ExtractHeaderValue(headerLines, QStringLiteral("From:")));
    const QString replyTo = ExtractHeaderValue(headerLines, QStringLiteral("Reply-to:"));
    lists.ReplyToList.append(replyTo.isEmpty()
                                 ? ExtractHeaderValue(headerLines, QStringLiteral("Return-path:"))
                                 : replyTo);
    lists.SubjectList.append(ExtractHeaderValue(headerLines, QStringLiteral("Subject:")));
}

} // namespace sievra
