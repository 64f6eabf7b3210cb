#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

enum TSmtpContentType { smtpHTML, smtpPlainText };

// The header values of one message, as the client's settings hold them.
struct SmtpHeaderFields {
    QString ReplyTo;
    QString ReturnPath;
    QString From;
    QString To;
    QString Subject;
    QString Sender;
    QString CharSet;
    TSmtpContentType ContentType = smtpPlainText;
};

// The header block in its fixed order: Reply-To, Return-Path, From, To, Subject, Sender,
// Mime-Version, Content-Type, Date. Values go in as they are; trimming only decides whether an
// optional line is written. No empty line at the end.
QStringList SmtpHeaderLines(const SmtpHeaderFields& fields, const QString& dateText);

} // namespace sievra
