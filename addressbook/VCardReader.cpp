#include "VCardReader.h"

#include <QStringDecoder>
#include <QStringList>

namespace sievra {

namespace {

bool SameWord(QByteArrayView a, const char* b) {
    return a.compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

// Whether `text` holds `word` anywhere, without regard to case and without a copy.
bool ContainsWord(QByteArrayView text, QByteArrayView word) {
    for (qsizetype i = 0; i + word.size() <= text.size(); ++i) {
        if (text.sliced(i, word.size()).compare(word, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QByteArrayView WithoutBom(QByteArrayView text) {
    return text.startsWith("\xEF\xBB\xBF") ? text.sliced(3) : text;
}

// Logical lines: physical lines without their CR LF or LF, with folded continuations joined.
class LineReader {
public:
    explicit LineReader(QByteArrayView text)
        : text_(text) {}

    bool Next(QByteArrayView& line) {
        if (pos_ >= text_.size()) {
            return false;
        }
        QByteArrayView first = Physical();
        if (!Continues(first)) {
            line = first;
            return true;
        }
        joined_ = first.toByteArray();
        do {
            QByteArrayView more = Physical();
            if (joined_.endsWith('=') && IsQuotedPrintable(joined_)) {
                joined_.chop(1); // a soft line break of 2.1
            } else {
                more = more.sliced(1); // RFC 6350 3.2: the fold's one blank goes
            }
            joined_.append(more);
        } while (Continues(joined_));
        line = joined_;
        return true;
    }

private:
    QByteArrayView Physical() {
        qsizetype end = text_.indexOf('\n', pos_);
        if (end < 0) {
            end = text_.size();
        }
        QByteArrayView line = text_.sliced(pos_, end - pos_);
        pos_ = end + 1;
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        return line;
    }
    char PeekNext() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    bool Continues(QByteArrayView line) const {
        const char next = PeekNext();
        if (next == ' ' || next == '\t') {
            return true;
        }
        return pos_ < text_.size() && line.endsWith('=') && IsQuotedPrintable(line);
    }
    static bool IsQuotedPrintable(QByteArrayView line) {
        const qsizetype colon = line.indexOf(':');
        const QByteArrayView head = colon < 0 ? line : line.first(colon);
        return ContainsWord(head, "QUOTED-PRINTABLE");
    }

    QByteArrayView text_;
    qsizetype pos_ = 0;
    QByteArray joined_;
};

// One content line: [group.]NAME[;param...]:value. A colon inside a quoted parameter value
// does not end the parameters.
struct Property {
    QByteArrayView Name;
    QByteArrayView Params;
    QByteArrayView Value;
};

bool SplitProperty(QByteArrayView line, Property& p) {
    bool quoted = false;
    qsizetype colon = -1;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon <= 0) {
        return false;
    }
    QByteArrayView head = line.first(colon);
    p.Value = line.sliced(colon + 1);
    const qsizetype semi = head.indexOf(';');
    p.Name = semi < 0 ? head : head.first(semi);
    p.Params = semi < 0 ? QByteArrayView() : head.sliced(semi + 1);
    const qsizetype dot = p.Name.lastIndexOf('.');
    if (dot >= 0) {
        p.Name = p.Name.sliced(dot + 1);
    }
    return !p.Name.isEmpty();
}

struct Encoding {
    bool QuotedPrintable = false;
    QByteArray Charset;
};

Encoding EncodingOf(QByteArrayView params) {
    Encoding e;
    // Most values name neither; spare them the split.
    if (!ContainsWord(params, "QUOTED-PRINTABLE") && !ContainsWord(params, "CHARSET")) {
        return e;
    }
    for (const QByteArray& param : params.toByteArray().split(';')) {
        const qsizetype eq = param.indexOf('=');
        const QByteArray key = eq < 0 ? QByteArray() : param.first(eq).trimmed();
        const QByteArray value = (eq < 0 ? param : param.sliced(eq + 1)).trimmed();
        if ((eq < 0 || SameWord(key, "ENCODING")) && SameWord(value, "QUOTED-PRINTABLE")) {
            e.QuotedPrintable = true;
        } else if (SameWord(key, "CHARSET")) {
            e.Charset = value;
            e.Charset.replace('"', QByteArray());
        }
    }
    return e;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// "=XX" is a byte; an "=" that starts no valid pair stays as it is.
QByteArray DecodeQuotedPrintable(QByteArrayView in) {
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size() && HexDigit(in[i + 1]) >= 0 &&
            HexDigit(in[i + 2]) >= 0) {
            out.append(char(HexDigit(in[i + 1]) * 16 + HexDigit(in[i + 2])));
            i += 2;
        } else {
            out.append(in[i]);
        }
    }
    return out;
}

// Windows-1252 where it differs from Latin-1; the unassigned five stay as they are.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString DecodeCharset(const QByteArray& bytes, const QByteArray& charset) {
    if (charset.isEmpty() || SameWord(charset, "UTF-8")) {
        return QString::fromUtf8(bytes);
    }
    if (SameWord(charset, "WINDOWS-1252") || SameWord(charset, "CP1252")) {
        QString out = QString::fromLatin1(bytes);
        for (QChar& c : out) {
            if (c.unicode() >= 0x80 && c.unicode() < 0xA0) {
                c = QChar(Cp1252High[c.unicode() - 0x80]);
            }
        }
        return out;
    }
    QStringDecoder decoder(charset.constData());
    // A charset Qt does not know reads as Latin-1: every byte stays one character.
    return decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
}

QString DecodedValue(const Property& p) {
    const Encoding e = EncodingOf(p.Params);
    const QByteArray bytes =
        e.QuotedPrintable ? DecodeQuotedPrintable(p.Value) : p.Value.toByteArray();
    return DecodeCharset(bytes, e.Charset);
}

// RFC 6350 3.4: \\ \, \; and \n in text values; split on the unescaped separator when given.
QStringList Unescaped(const QString& value, QChar separator = QChar()) {
    if (!value.contains(u'\\') && (separator.isNull() || !value.contains(separator))) {
        return {value};
    }
    QStringList parts;
    QString part;
    part.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            part += (next == u'n' || next == u'N') ? QChar(u'\n') : next;
        } else if (!separator.isNull() && c == separator) {
            parts.append(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.append(part);
    return parts;
}

QString AddressOf(const Property& p) {
    QString address = Unescaped(DecodedValue(p)).constFirst().trimmed();
    if (address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) {
        address = address.mid(7).trimmed();
    }
    return address;
}

// Given and family name from N (family;given;additional;prefixes;suffixes).
QString NameOf(const Property& p) {
    const QStringList parts = Unescaped(DecodedValue(p), u';');
    const QString given = parts.size() > 1 ? parts[1].trimmed() : QString();
    return (given + QLatin1Char(' ') + parts[0].trimmed()).trimmed();
}

class CardCollector {
public:
    explicit CardCollector(VCardBatch& batch)
        : batch_(batch) {}

    void Line(QByteArrayView line) {
        Property p;
        const bool isProperty = SplitProperty(line, p);
        if (isProperty && SameWord(p.Name, "BEGIN") && SameWord(p.Value.trimmed(), "VCARD")) {
            Begin();
            return;
        }
        if (!inCard_) {
            return; // text between cards belongs to no one
        }
        if (!isProperty) {
            bad_ = bad_ || !line.trimmed().isEmpty();
        } else if (SameWord(p.Name, "END") && SameWord(p.Value.trimmed(), "VCARD")) {
            End();
        } else if (SameWord(p.Name, "EMAIL")) {
            addresses_.append(AddressOf(p));
        } else if (SameWord(p.Name, "FN")) {
            fn_ = Unescaped(DecodedValue(p)).constFirst().trimmed();
        } else if (SameWord(p.Name, "N")) {
            // Only needed when the card has no FN, which is rare: kept raw until then.
            nParams_ = p.Params.toByteArray();
            nValue_ = p.Value.toByteArray();
        }
    }

    void Finish() {
        if (inCard_) {
            ++batch_.BadCards; // the text ended inside a card
        }
        inCard_ = false;
    }

private:
    void Begin() {
        Finish(); // a card begun inside another was never closed
        ++batch_.Cards;
        inCard_ = true;
        bad_ = false;
        fn_.clear();
        nParams_.clear();
        nValue_.clear();
        addresses_.clear();
    }
    void End() {
        inCard_ = false;
        if (bad_) {
            ++batch_.BadCards;
            return;
        }
        const QString name = fn_.isEmpty() && !nValue_.isEmpty()
                                 ? NameOf(Property{QByteArrayView("N"), nParams_, nValue_})
                                 : fn_;
        for (const QString& address : addresses_) {
            if (!address.isEmpty()) {
                batch_.Contacts.push_back({address, name});
            }
        }
    }

    VCardBatch& batch_;
    bool inCard_ = false;
    bool bad_ = false;
    QString fn_;
    QByteArray nParams_;
    QByteArray nValue_;
    QStringList addresses_;
};

} // namespace

VCardBatch ReadVCards(QByteArrayView text) {
    VCardBatch batch;
    CardCollector cards(batch);
    LineReader lines(WithoutBom(text));
    QByteArrayView line;
    while (lines.Next(line)) {
        cards.Line(line);
    }
    cards.Finish();
    return batch;
}

bool LooksLikeVCard(QByteArrayView head) {
    head = WithoutBom(head);
    qsizetype i = 0;
    while (i < head.size() &&
           (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n')) {
        ++i;
    }
    const QByteArrayView begin("BEGIN:VCARD");
    return head.size() - i >= begin.size() &&
           head.sliced(i, begin.size()).compare(begin, Qt::CaseInsensitive) == 0;
}

} // namespace sievra
