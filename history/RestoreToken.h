#pragma once

#include <QByteArray>
#include <QString>

namespace sievra {

// A restored message carries this field; a later pass keeps a message whose token this
// installation made, without allowing its sender for good.
inline const QString RestoreTokenField = QStringLiteral("X-Sievra-Restored");

// A new random per-installation key, Base64, for the store.
QString NewRestoreKey();

// "<nonce>.<mac>": a keyed digest (HMAC-SHA256) over a fresh nonce and the message's own From
// and Message-ID values, so a token copied onto another sender's mail is worth nothing.
QString MakeRestoreToken(const QString& key, const QString& from, const QString& messageId);
bool IsValidRestoreToken(const QString& key, const QString& token, const QString& from,
                         const QString& messageId);

} // namespace sievra
