#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <stdexcept>

namespace sievra {

// The stored text could not be turned back into a password. The message is one of
// "Invalid Base64 Character" or "Invalid file format".
class PasswordError : public std::runtime_error {
public:
    explicit PasswordError(const char* message)
        : std::runtime_error(message) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

// Two-key triple DES: bytes 0-7 are K1, bytes 8-15 are K2. Both programs compile in this one
// value, so whatever one stores the other can read.
extern const std::array<unsigned char, 16> PasswordKey;

// Protected text form of a password: a random starting block, then the password in CBC
// blocks with a final block carrying the length, all in Base64 on one line.
QString EncodePasswordBytes(const QByteArray& password);
QByteArray DecodePasswordBytes(const QString& text);

// The same over our UTF-8 texts.
QString EncodePassword(const QString& password);
QString DecodePassword(const QString& text);

} // namespace sievra
