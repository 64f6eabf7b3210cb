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

} // namespace sievra
