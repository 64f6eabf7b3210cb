#include "MimeText.h"

#include <algorithm>

namespace sievra {

namespace {

// RFC 2045 6.7 (5): encoded lines of at most 76 characters, the soft break's "=" included.
constexpr qsizetype QpLineLength = 76;
// RFC 2047 2: an encoded word is at most 75 characters.
constexpr qsizetype EncodedWordLength = 75;

const char Hex[] = "0123456789ABCDEF";

QByteArray HexEscape(unsigned char byte) {
    QByteArray escaped(1, '=');
    escaped += Hex[byte >> 4];
    escaped += Hex[byte & 0x0F];
    return escaped;
}

bool FitsLatin1(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            return false;
        }
    }
    return true;
}

QByteArray InCharset(QStringView text, bool latin1) {
    return latin1 ? text.toLatin1() : text.toUtf8();
}

// RFC 2047 5: in a phrase only letters, digits and "!*+-/" may stand for themselves; in other
// text everything printable but "=", "?" and "_".
bool StandsForItself(char c, bool phrase) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        return true;
    }
    if (phrase) {
        return c == '!' || c == '*' || c == '+' || c == '-' || c == '/';
    }
    return c > ' ' && c < 127 && c != '=' && c != '?' && c != '_';
}

QByteArray QEncoded(const QByteArray& bytes, bool phrase) {
    QByteArray out;
    for (const char c : bytes) {
        if (c == ' ') {
            out += '_';
        } else if (StandsForItself(c, phrase)) {
            out += c;
        } else {
            out += HexEscape(static_cast<unsigned char>(c));
        }
    }
    return out;
}

// The text's characters one by one, a surrogate pair kept whole, so no encoded word ends in
// the middle of a character.
QStringList Characters(const QString& text) {
    QStringList characters;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        characters.append(text.mid(i, length));
        i += length - 1;
    }
    return characters;
}

bool IsSpecial(QChar c) {
    return QStringView(u"()<>[]:;@\\,.\"").contains(c);
}

} // namespace

bool IsAscii(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() > 0x7F) {
            return false;
        }
    }
    return true;
}

BodyEncoding ChooseBodyEncoding(const QStringList& lines, bool eightBitMime) {
    BodyEncoding encoding;
    bool ascii = true;
    bool latin1 = true;
    for (const QString& line : lines) {
        ascii = ascii && IsAscii(line);
        latin1 = latin1 && FitsLatin1(line);
    }
    if (!latin1) {
        encoding.Charset = QStringLiteral("utf-8");
    }
    if (!ascii) {
        encoding.Cte = eightBitMime ? BodyEncoding::Transfer::EightBit
                                    : BodyEncoding::Transfer::QuotedPrintable;
    }
    return encoding;
}

QString TransferName(BodyEncoding::Transfer cte) {
    switch (cte) {
    case BodyEncoding::Transfer::EightBit:
        return QStringLiteral("8bit");
    case BodyEncoding::Transfer::QuotedPrintable:
        return QStringLiteral("quoted-printable");
    case BodyEncoding::Transfer::SevenBit:
        break;
    }
    return QStringLiteral("7bit");
}

QByteArrayList EncodeBodyLine(const QString& line, const BodyEncoding& encoding) {
    const QByteArray bytes = InCharset(line, encoding.Charset == QStringLiteral("iso-8859-1"));
    if (encoding.Cte == BodyEncoding::Transfer::QuotedPrintable) {
        return QuotedPrintableLines(bytes);
    }
    return {bytes};
}

QByteArrayList QuotedPrintableLines(const QByteArray& line) {
    QByteArrayList lines;
    QByteArray current;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line.at(i));
        const bool last = i + 1 == line.size();
        const bool blank = byte == ' ' || byte == '\t';
        const bool literal = (byte >= 33 && byte <= 126 && byte != '=') || (blank && !last);
        const QByteArray token = literal ? QByteArray(1, static_cast<char>(byte)) : HexEscape(byte);
        // Room for the soft break's "=" unless this token ends the line.
        const qsizetype room = last ? QpLineLength : QpLineLength - 1;
        if (current.size() + token.size() > room) {
            lines.append(current + '=');
            current.clear();
        }
        current += token;
    }
    lines.append(current);
    return lines;
}

QString EncodeHeaderText(const QString& text, bool phrase) {
    if (IsAscii(text) && !text.contains(QStringLiteral("=?"))) {
        return text;
    }
    const bool latin1 = FitsLatin1(text);
    const QByteArray prefix = latin1 ? "=?iso-8859-1?Q?" : "=?utf-8?Q?";
    const qsizetype room = EncodedWordLength - prefix.size() - 2;
    QByteArrayList words;
    QByteArray word;
    for (const QString& character : Characters(text)) {
        const QByteArray encoded = QEncoded(InCharset(character, latin1), phrase);
        if (!word.isEmpty() && word.size() + encoded.size() > room) {
            words.append(prefix + word + "?=");
            word.clear();
        }
        word += encoded;
    }
    words.append(prefix + word + "?=");
    return QString::fromLatin1(words.join(' '));
}

QString MailboxText(const QString& displayName, const QString& address) {
    const QString name = displayName.trimmed();
    if (name.isEmpty()) {
        return address;
    }
    QString phrase;
    if (!IsAscii(name)) {
        phrase = EncodeHeaderText(name, true);
    } else if (std::any_of(name.begin(), name.end(), IsSpecial)) {
        QString quoted = name;
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        quoted.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        phrase = QLatin1Char('"') + quoted + QLatin1Char('"');
    } else {
        phrase = name;
    }
    return phrase + QStringLiteral(" <") + address + QLatin1Char('>');
}

QString AddressPart(const QString& mailbox) {
    const qsizetype open = mailbox.lastIndexOf(QLatin1Char('<'));
    const qsizetype close = mailbox.indexOf(QLatin1Char('>'), open);
    if (open >= 0 && close > open) {
        return mailbox.mid(open + 1, close - open - 1).trimmed();
    }
    return mailbox.trimmed();
}

} // namespace sievra
