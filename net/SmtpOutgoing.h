#pragma once

#include "SmtpHeader.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace sievra {

// "MAIL FROM:<a@x>" from "a@x", or the address as given when it has its own brackets.
QString SmtpPathCommand(const QString& verb, const QString& address);

// The message a Mail request sends, fixed when it starts: its envelope commands, header and
// body, and the wire lines of its text in the order they go out.
class SmtpOutgoing {
public:
    SmtpOutgoing() = default;
    // Checks everything before MAIL FROM goes out, so a refused message leaves nothing behind
    // on the server: raises SmtpException when there is no recipient, when an address or
    // header line would carry a CR or LF or cannot be folded to the line limit, or when an
    // address is not ASCII and the server does not offer SMTPUTF8.
    SmtpOutgoing(const QString& fromName, const QStringList& rcptName,
                 const SmtpHeaderFields& header, bool smtpUtf8);
    // The whole body: its charset and transfer encoding depend on every line. The message gets
    // its own Message-ID (right side from the From address, else `localName`).
    void SetBody(QStringList body, bool eightBitMime, const std::function<QString()>& localName);

    // Instead of a header and body: `message` goes out as it is, each line (ended by LF or
    // CR LF) dot-stuffed and ended by CR LF, nothing else changed. MAIL FROM carries
    // BODY=8BITMIME when the message has 8-bit bytes and the server offers it.
    void SetRaw(const QByteArray& message, bool eightBitMime);
    bool Raw() const { return raw_; }

    const QString& MailFrom() const { return mailFrom_; }
    const QStringList& RcptTo() const { return rcptTo_; }
    const SmtpHeaderFields& Header() const { return header_; }

    // The text starts afresh: no header lines yet, the body from its first line.
    void StartText();
    // The next header line as the caller's handlers left it (the empty line that ends the
    // block included). Returns why it cannot go out, or an empty text.
    QString AddHeaderLine(const QString& line);
    // The next wire line of the text (without CR LF) and whether it is in Latin-1 rather than
    // UTF-8; false once the body has ended.
    bool NextWireLine(QByteArray& line, bool& latin1);

private:
    QString mailFrom_;
    QStringList rcptTo_;
    SmtpHeaderFields header_;
    QStringList body_;
    bool ascii_ = true;
    QList<QByteArrayList> headerWire_; // each header line as its folded wire lines
    qsizetype headerIndex_ = 0;
    qsizetype bodyIndex_ = 0;
    QByteArrayList pendingWire_; // wire lines of the line being sent
    bool pendingIsHeader_ = false;
    bool raw_ = false;
    QByteArrayList rawWire_;
};

} // namespace sievra
