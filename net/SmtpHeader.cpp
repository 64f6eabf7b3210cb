#include "SmtpHeader.h"

namespace sievra {

QStringList SmtpHeaderLines(const SmtpHeaderFields& fields, const QString& dateText) {
    QStringList lines;
    if (!fields.ReplyTo.trimmed().isEmpty()) {
        lines.append(QStringLiteral("Reply-To: ") + fields.ReplyTo);
    }
    if (!fields.ReturnPath.trimmed().isEmpty()) {
        lines.append(QStringLiteral("Return-Path: ") + fields.ReturnPath);
    }
    lines.append(QStringLiteral("From: ") + fields.From);
    lines.append(QStringLiteral("To: ") + fields.To);
    lines.append(QStringLiteral("Subject: ") + fields.Subject);
    if (!fields.Sender.trimmed().isEmpty()) {
        lines.append(QStringLiteral("Sender: ") + fields.Sender);
    } else if (!fields.From.trimmed().isEmpty()) {
        lines.append(QStringLiteral("Sender: ") + fields.From);
    }
    lines.append(QStringLiteral("Mime-Version: 1.0"));
    lines.append(QStringLiteral("Content-Type: ") +
                 (fields.ContentType == smtpHTML ? QStringLiteral("text/html")
                                                 : QStringLiteral("text/plain")) +
                 QStringLiteral("; charset=\"") + fields.CharSet + QStringLiteral("\""));
    lines.append(QStringLiteral("Date: ") + dateText);
    return lines;
}

} // namespace sievra
