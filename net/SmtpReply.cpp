#include "SmtpReply.h"

#include "SocketError.h"

#include <limits>

namespace sievra {

SmtpReplyLine ParseSmtpReply(QStringView line) {
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n && (line[i] == u' ' || line[i] == u'\t' || line[i] == u'\r' || line[i] == u'\n')) {
        ++i;
    }
    bool negative = false;
    if (i < n && (line[i] == u'+' || line[i] == u'-')) {
        negative = line[i] == u'-';
        ++i;
    }
    constexpr int Largest = std::numeric_limits<int>::max();
    int value = 0;
    while (i < n && line[i] >= u'0' && line[i] <= u'9') {
        const int digit = line[i].unicode() - u'0';
        value = value > (Largest - digit) / 10 ? Largest : value * 10 + digit;
        ++i;
    }
    SmtpReplyLine reply;
    reply.Code = negative ? -value : value;
    reply.Continues = i < n && line[i] == u'-';
    return reply;
}

bool SmtpLineOffers(QStringView line, QStringView keyword) {
    QStringView text = line.trimmed();
    qsizetype i = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        ++i;
    }
    if (i == 0 || i >= text.size() || (text[i] != u'-' && text[i] != u' ')) {
        return false;
    }
    text = text.sliced(i + 1).trimmed();
    const qsizetype blank = text.indexOf(u' ');
    const QStringView word = blank < 0 ? text : text.first(blank);
    return word.compare(keyword, Qt::CaseInsensitive) == 0;
}

bool SmtpReplyAccepted(int code, const QList<int>& accepted) {
    return accepted.isEmpty() ? code < 500 : accepted.contains(code);
}

quint16 SmtpReplyError(int code) {
    if (code <= 0 || code > std::numeric_limits<quint16>::max()) {
        return ProtocolErrorCode;
    }
    return static_cast<quint16>(code);
}

namespace {

// Digits at `pos` as a number, with `pos` moved past them; nothing when there are none or
// more than three.
std::optional<int> Number(QStringView text, qsizetype& pos) {
    const qsizetype start = pos;
    int value = 0;
    while (pos < text.size() && pos - start < 4 && text[pos] >= u'0' && text[pos] <= u'9') {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
    }
    if (pos == start || pos - start > 3) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<SmtpEnhancedCode> ParseEnhancedCode(QStringView line) {
    const QStringView text = line.trimmed();
    qsizetype pos = 0;
    const auto code = Number(text, pos);
    if (!code || pos >= text.size() || (text[pos] != u' ' && text[pos] != u'-')) {
        return std::nullopt;
    }
    ++pos;
    SmtpEnhancedCode enhanced;
    int* const parts[] = {&enhanced.Class, &enhanced.Subject, &enhanced.Detail};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto part = Number(text, pos);
        const bool dotNext = pos < text.size() && text[pos] == u'.';
        const bool endNext = pos == text.size() || text[pos] == u' ';
        if (!part || (i < 2 && !dotNext) || (i == 2 && !endNext)) {
            return std::nullopt;
        }
        *parts[i] = *part;
        ++pos;
    }
    if (enhanced.Class != *code / 100 || enhanced.Class < 2 || enhanced.Class > 5) {
        return std::nullopt;
    }
    return enhanced;
}

void SmtpExtensions::Note(QStringView line) {
    EightBitMime = EightBitMime || SmtpLineOffers(line, u"8BITMIME");
    SmtpUtf8 = SmtpUtf8 || SmtpLineOffers(line, u"SMTPUTF8");
    EnhancedStatusCodes = EnhancedStatusCodes || SmtpLineOffers(line, u"ENHANCEDSTATUSCODES");
    Pipelining = Pipelining || SmtpLineOffers(line, u"PIPELINING");
}

} // namespace sievra
