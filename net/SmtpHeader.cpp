#include "SmtpHeader.h"

#include <QUuid>

namespace sievra {

QStringList SmtpHeaderLines(const SmtpHeaderFields& fields, const QString& dateText) {
    QStringList lines;
    if (!fields.ReplyTo.trimmed().isEmpty()) {
        lines.append(QStringLiteral("Reply-To: ") + fields.ReplyTo);
    }
    lines.append(QStringLiteral("From: ") + fields.From);
    lines.append(QStringLiteral("To: ") + fields.To);
    lines.append(QStringLiteral("Subject: ") + EncodeHeaderText(fields.Subject));
    if (!fields.Sender.trimmed().isEmpty() && fields.Sender.trimmed() != fields.From.trimmed()) {
        lines.append(QStringLiteral("Sender: ") + fields.Sender);
    }
    if (!fields.MessageId.trimmed().isEmpty()) {
        lines.append(QStringLiteral("Message-ID: ") + fields.MessageId);
    }
    lines.append(QStringLiteral("Mime-Version: 1.0"));
    lines.append(QStringLiteral("Content-Type: ") +
                 (fields.ContentType == smtpHTML ? QStringLiteral("text/html")
                                                 : QStringLiteral("text/plain")) +
                 QStringLiteral("; charset=\"") + fields.Encoding.Charset + QStringLiteral("\""));
    lines.append(QStringLiteral("Content-Transfer-Encoding: ") + TransferName(fields.Encoding.Cte));
    lines.append(QStringLiteral("Date: ") + dateText);
    return lines;
}

QString NewMessageId(const QString& domain) {
    return QLatin1Char('<') + QUuid::createUuid().toString(QUuid::WithoutBraces) +
           QLatin1Char('@') + domain + QLatin1Char('>');
}

} // namespace sievra
