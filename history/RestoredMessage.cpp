#include "RestoredMessage.h"

#include "RestoreToken.h"

#include <QLocale>

namespace sievra {

QByteArray RestoredMessage(const QByteArray& copy, const ResentFields& fields) {
    const QByteArray end = copy.contains("\r\n") ? "\r\n" : "\n";
    // The C locale, so the day and month names stay English whatever the user's language.
    const QString date = QLocale::c().toString(fields.Date.toOffsetFromUtc(0),
                                               QStringLiteral("ddd, dd MMM yyyy hh:mm:ss +0000"));
    QByteArray block;
    block += "Resent-Date: " + date.toLatin1() + end;
    block += "Resent-From: " + fields.From.toUtf8() + end;
    block += "Resent-To: " + fields.To.toUtf8() + end;
    block += "Resent-Message-ID: " + fields.MessageId.toUtf8() + end;
    block += RestoreTokenField.toLatin1() + ": " + fields.Token.toLatin1() + end;
    return block + copy;
}

bool IsHeaderOnlyCopy(const QByteArray& copy) {
    return copy.startsWith("X-Sievra-Copy: header only");
}

} // namespace sievra
