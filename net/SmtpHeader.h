#pragma once

#include "MimeText.h"

#include <QString>
#include <QStringList>

namespace sievra {

enum TSmtpContentType { smtpHTML, smtpPlainText };

// The header values of one message, as the client's settings hold them.
struct SmtpHeaderFields {
    QString ReplyTo;
    QString From;
    QString To;
    QString Subject;
    QString Sender;
    QString MessageId;
    TSmtpContentType ContentType = smtpPlainText;
    BodyEncoding Encoding;
};

// The header block in its fixed order: Reply-To, From, To, Subject, Sender, Message-ID,
// Mime-Version, Content-Type, Content-Transfer-Encoding, Date. No Return-Path: the server that
// delivers the message adds it (RFC 5321 4.4). The Subject goes as RFC 2047 encoded words when
// it is not ASCII; the other values go in as they are. Reply-To, Sender (only when it differs
// from From) and Message-ID are written when they are not blank. No empty line at the end.
QStringList SmtpHeaderLines(const SmtpHeaderFields& fields, const QString& dateText);

// A fresh "<unique@domain>" for the Message-ID header.
QString NewMessageId(const QString& domain);

} // namespace sievra
