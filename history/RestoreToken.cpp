#include "RestoreToken.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QStringList>

namespace sievra {

namespace {

constexpr auto Url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

QByteArray Mac(const QByteArray& key, const QByteArray& nonce, const QString& from,
               const QString& messageId) {
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, key);
    mac.addData(nonce);
    mac.addData(QByteArray(1, '\0') + from.trimmed().toUtf8());
    mac.addData(QByteArray(1, '\0') + messageId.trimmed().toUtf8());
    return mac.result();
}

QByteArray RandomBytes(int count) {
    QByteArray bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(QRandomGenerator::system()->bounded(256));
    }
    return bytes;
}

bool SameBytes(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) {
        return false;
    }
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i) {
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return diff == 0;
}

} // namespace

QString NewRestoreKey() {
    return QString::fromLatin1(RandomBytes(32).toBase64());
}

QString MakeRestoreToken(const QString& key, const QString& from, const QString& messageId) {
    const QByteArray nonce = RandomBytes(12);
    const QByteArray mac = Mac(QByteArray::fromBase64(key.toLatin1()), nonce, from, messageId);
    return QString::fromLatin1(nonce.toBase64(Url) + '.' + mac.toBase64(Url));
}

bool IsValidRestoreToken(const QString& key, const QString& token, const QString& from,
                         const QString& messageId) {
    const QByteArray rawKey = QByteArray::fromBase64(key.toLatin1());
    const QStringList parts = token.trimmed().split(QLatin1Char('.'));
    if (rawKey.size() < 16 || parts.size() != 2) {
        return false;
    }
    const auto decoded = [](const QString& part) {
        return QByteArray::fromBase64Encoding(part.toLatin1(), Url);
    };
    const auto nonce = decoded(parts[0]);
    const auto mac = decoded(parts[1]);
    return nonce && mac && !nonce.decoded.isEmpty() &&
           SameBytes(mac.decoded, Mac(rawKey, nonce.decoded, from, messageId));
}

} // namespace sievra
