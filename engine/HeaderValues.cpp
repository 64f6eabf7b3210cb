#include "HeaderValues.h"

#include "HeaderCollector.h"
#include "UpperCase.h"
#include "mail/AuthenticationResults.h"
#include "mail/HeaderFields.h"

namespace sievra {

namespace {

// The unfolded value, sharing the raw line's text when folding changed nothing: a mailbox of
// tens of thousands of messages then keeps each value once.
QString Shared(const QString& unfolded, const QString& raw) {
    return unfolded == raw ? raw : unfolded;
}

// Most mail carries none of them, so most messages keep an empty list.
QStringList GuardLines(const HeaderFields& header) {
    QStringList lines;
    for (const HeaderFields::Field& field : header.Fields()) {
        if (HeaderCollector::GuardFieldNames().contains(field.Name, Qt::CaseInsensitive)) {
            lines.append(field.Name + QStringLiteral(": ") + field.Value);
        }
    }
    return lines;
}

MessageFields ReadFields(const QStringList& headerLines, const MessageLists& lists) {
    const HeaderFields header(headerLines);
    const QString& rawReply = lists.ReplyToList.last();
    MessageFields fields;
    fields.From = Shared(header.Value(u"From"), lists.FromList.last());
    fields.FromCount = header.Count(u"From");
    fields.ReplyTo = Shared(header.Value(u"Reply-To"), rawReply);
    fields.ReturnPath = Shared(header.Value(u"Return-Path"), rawReply);
    fields.Subject = Shared(header.Value(u"Subject"), lists.SubjectList.last());
    fields.Date = header.Value(u"Date");
    fields.GuardLines = GuardLines(header);
    fields.Automatic = FindAutomaticMarks(header);
    fields.MessageId = header.Value(u"Message-ID");
    if (header.Count(u"Authentication-Results") > 0) {
        const QList<MailAddress> from = header.Addresses(u"From");
        if (!from.isEmpty()) {
            fields.ForgedSender =
                FindForgedSender(header, from.front().AsciiAddress).value_or(QString());
        }
    }
    return fields;
}

} // namespace

QString TrimBlanks(QStringView text) {
    return TrimHeaderBlanks(text);
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

void AppendHeaderValues(const QStringList& headerLines, MessageLists& lists,
                        HeaderReading reading) {
    lists.FromList.append(ExtractHeaderValue(headerLines, QStringLiteral("From:")));
    const QString replyTo = ExtractHeaderValue(headerLines, QStringLiteral("Reply-to:"));
    lists.ReplyToList.append(replyTo.isEmpty()
                                 ? ExtractHeaderValue(headerLines, QStringLiteral("Return-path:"))
                                 : replyTo);
    lists.SubjectList.append(ExtractHeaderValue(headerLines, QStringLiteral("Subject:")));
    if (reading == HeaderReading::Fields) {
        lists.FieldsList.append(ReadFields(headerLines, lists));
    }
}

} // namespace sievra
