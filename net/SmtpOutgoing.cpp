#include "SmtpOutgoing.h"

#include "MimeText.h"
#include "SmtpDate.h"
#include "SmtpException.h"
#include "SmtpText.h"

#include <algorithm>

namespace sievra {

namespace {

// "Subject" of "Subject: hello", for error texts that say which line is at fault.
QString FieldName(const QString& line) {
    const qsizetype colon = line.indexOf(u':');
    return colon < 0 ? line.left(40) : line.left(colon);
}

// The reason a header line cannot go out, or an empty text when it can. Fills `wire` with
// its wire lines.
QString HeaderLineProblem(const QString& line, QByteArrayList& wire) {
    if (HasLineBreak(line)) {
        return QStringLiteral("Header line contains a line break: ") + FieldName(line);
    }
    // Header values are ASCII once encoded; only an address under SMTPUTF8 may not be.
    const auto folded = FoldHeaderLine(line.toUtf8());
    if (!folded) {
        return QStringLiteral("Header line longer than %1 characters cannot be folded: %2")
            .arg(SmtpMaxLineLength)
            .arg(FieldName(line));
    }
    wire = *folded;
    return {};
}

} // namespace

QString SmtpPathCommand(const QString& verb, const QString& address) {
    const QString trimmed = address.trimmed();
    if (address.contains(u'<') && address.contains(u'>')) {
        return verb + trimmed;
    }
    return verb + QStringLiteral("<") + trimmed + QStringLiteral(">");
}

SmtpOutgoing::SmtpOutgoing(const QString& fromName, const QStringList& rcptName,
                           const SmtpHeaderFields& header, bool smtpUtf8)
    : header_(header) {
    if (rcptName.isEmpty()) {
        throw SmtpException(QStringLiteral("RcptName list is empty"));
    }
    mailFrom_ = SmtpPathCommand(QStringLiteral("MAIL FROM:"), fromName);
    if (HasLineBreak(mailFrom_)) {
        throw SmtpException(QStringLiteral("Sender address contains a line break"));
    }
    bool ascii = IsAscii(fromName);
    for (const QString& rcpt : rcptName) {
        rcptTo_.append(SmtpPathCommand(QStringLiteral("RCPT TO:"), rcpt));
        if (HasLineBreak(rcptTo_.last())) {
            throw SmtpException(QStringLiteral("Recipient address contains a line break"));
        }
        ascii = ascii && IsAscii(rcpt);
    }
    // A server without SMTPUTF8 cannot take such an address; it would refuse it, or worse,
    // mangle it (RFC 6531 3.4).
    if (!ascii && !smtpUtf8) {
        throw SmtpException(
            QStringLiteral("Address is not ASCII and the server does not offer SMTPUTF8"));
    }
    for (const QString& line : SmtpHeaderLines(header_, SmtpDateNow())) {
        QByteArrayList wire;
        const QString problem = HeaderLineProblem(line, wire);
        if (!problem.isEmpty()) {
            throw SmtpException(problem);
        }
    }
    ascii_ = ascii;
}

void SmtpOutgoing::SetBody(QStringList body, bool eightBitMime,
                           const std::function<QString()>& localName) {
    body_ = std::move(body);
    header_.Encoding = ChooseBodyEncoding(body_, eightBitMime);
    const QString fromAddress = AddressPart(header_.From);
    const qsizetype at = fromAddress.lastIndexOf(QLatin1Char('@'));
    header_.MessageId = NewMessageId(at >= 0 ? fromAddress.mid(at + 1) : localName());
    if (header_.Encoding.Cte == BodyEncoding::Transfer::EightBit) {
        mailFrom_ += QStringLiteral(" BODY=8BITMIME"); // RFC 6152 2
    }
    if (!ascii_) {
        mailFrom_ += QStringLiteral(" SMTPUTF8");
    }
}

void SmtpOutgoing::SetRaw(const QByteArray& message, bool eightBitMime) {
    raw_ = true;
    rawWire_ = message.split('\n');
    if (message.endsWith('\n')) {
        rawWire_.removeLast(); // the split's empty piece after the last line end
    }
    bool eightBit = false;
    for (QByteArray& line : rawWire_) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (line.startsWith('.')) {
            line.prepend('.'); // RFC 5321 4.5.2
        }
        eightBit = eightBit || std::any_of(line.cbegin(), line.cend(),
                                           [](char c) { return static_cast<uchar>(c) >= 0x80; });
    }
    if (eightBit && eightBitMime) {
        mailFrom_ += QStringLiteral(" BODY=8BITMIME");
    }
    if (!ascii_) {
        mailFrom_ += QStringLiteral(" SMTPUTF8");
    }
}

void SmtpOutgoing::StartText() {
    headerWire_.clear();
    headerIndex_ = 0;
    bodyIndex_ = 0;
    pendingWire_.clear();
}

QString SmtpOutgoing::AddHeaderLine(const QString& line) {
    QByteArrayList wire;
    QString problem = HeaderLineProblem(line, wire);
    if (problem.isEmpty()) {
        headerWire_.append(wire);
    }
    return problem;
}

bool SmtpOutgoing::NextWireLine(QByteArray& line, bool& latin1) {
    if (raw_) {
        latin1 = false;
        if (bodyIndex_ >= rawWire_.size()) {
            return false;
        }
        line = rawWire_.at(bodyIndex_++);
        return true;
    }
    const bool bodyLatin1 = header_.Encoding.Charset == QStringLiteral("iso-8859-1");
    while (pendingWire_.isEmpty()) {
        if (headerIndex_ < headerWire_.size()) {
            pendingWire_ = headerWire_.at(headerIndex_++);
            pendingIsHeader_ = true;
            continue;
        }
        pendingIsHeader_ = false;
        if (bodyIndex_ >= body_.size()) {
            return false;
        }
        for (const QByteArray& encoded : EncodeBodyLine(body_.at(bodyIndex_++), header_.Encoding)) {
            pendingWire_.append(BodyWireLines(encoded, !bodyLatin1));
        }
    }
    // Header lines are UTF-8 (ASCII but for an address under SMTPUTF8); the body is in its
    // charset.
    latin1 = !pendingIsHeader_ && bodyLatin1;
    line = pendingWire_.takeFirst();
    return true;
}

} // namespace sievra
