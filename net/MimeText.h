#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

namespace sievra {

// How the body of a message goes out: the charset its bytes are in, and the transfer encoding
// that carries them (RFC 2045).
struct BodyEncoding {
    enum class Transfer { SevenBit, EightBit, QuotedPrintable };
    QString Charset = QStringLiteral("iso-8859-1");
    Transfer Cte = Transfer::SevenBit;
    bool operator==(const BodyEncoding&) const = default;
};

// ISO-8859-1 when every character fits it, else UTF-8, so the label always tells the truth.
// Plain ASCII goes as 7bit; other text as 8bit when the server offers 8BITMIME (RFC 6152),
// else quoted-printable.
BodyEncoding ChooseBodyEncoding(const QStringList& lines, bool eightBitMime);

// "7bit", "8bit" or "quoted-printable".
QString TransferName(BodyEncoding::Transfer cte);

// One line of text as the wire lines of its encoding, before dot-stuffing.
QByteArrayList EncodeBodyLine(const QString& line, const BodyEncoding& encoding);

// One line in quoted-printable (RFC 2045 6.7): "=" and everything outside printable ASCII as
// "=XX", a blank at the end encoded, soft line breaks so that no piece exceeds 76 characters.
QByteArrayList QuotedPrintableLines(const QByteArray& line);

// A header value as it may go out: unchanged when it is plain ASCII, else RFC 2047 encoded
// words ("=?iso-8859-1?Q?...?=" or "=?utf-8?Q?...?=", each at most 75 characters, blank
// between them). `phrase` restricts the encoded characters to what a display name may hold.
QString EncodeHeaderText(const QString& text, bool phrase = false);

// A mailbox for From or To: the bare address without a display name, "Name <address>" when
// the name is plain, a quoted string when it holds specials (RFC 5322 3.2.3), encoded words
// when it is not ASCII.
QString MailboxText(const QString& displayName, const QString& address);

// The address in "Name <a@x>" or a bare "a@x".
QString AddressPart(const QString& mailbox);

// True when the text is plain ASCII.
bool IsAscii(QStringView text);

} // namespace sievra
