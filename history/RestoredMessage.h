#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace sievra {

// What Restore adds on top of a kept copy (RFC 5322 3.6.6): who sent it again, to whom, when,
// under which id, and the installation's token.
struct ResentFields {
    QDateTime Date;
    QString From;      // the account's own address
    QString To;        // the same address: the message goes back to its mailbox
    QString MessageId; // "<...@...>"
    QString Token;     // MakeRestoreToken over the copy's own From and Message-ID
};

// The copy's bytes unchanged, with the Resent- fields and the token field before its first
// line; the line ends follow the copy's own.
QByteArray RestoredMessage(const QByteArray& copy, const ResentFields& fields);

// A copy kept as its header only: there is no message to send back.
bool IsHeaderOnlyCopy(const QByteArray& copy);

} // namespace sievra
