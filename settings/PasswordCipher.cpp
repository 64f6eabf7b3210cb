#include "PasswordCipher.h"

#include <chrono>
#include <memory>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace sievra {

const std::array<unsigned char, 16> PasswordKey = {0x5A, 0x3C, 0x91, 0xE4, 0x27, 0xB8, 0x6D, 0x0F,
                                                   0xC2, 0x48, 0x7E, 0x13, 0xA9, 0xD6, 0x35, 0x8B};

namespace {

constexpr int BlockSize = 8;
constexpr const char* InvalidCharacter = "Invalid Base64 Character";
constexpr const char* InvalidFormat = "Invalid file format";

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// Runs two-key triple DES over whole blocks, without padding. With an IV it chains (CBC).
QByteArray TripleDes(const QByteArray& input, bool encrypt, const QByteArray& iv = {}) {
    CipherContext ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    const EVP_CIPHER* cipher = iv.isEmpty() ? EVP_des_ede_ecb() : EVP_des_ede_cbc();
    const auto* ivBytes = reinterpret_cast<const unsigned char*>(iv.constData());
    QByteArray output(input.size() + BlockSize, '\0');
    int written = 0;
    int finalWritten = 0;
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), cipher, nullptr, PasswordKey.data(),
                          iv.isEmpty() ? nullptr : ivBytes, encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
        EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char*>(output.data()), &written,
                         reinterpret_cast<const unsigned char*>(input.constData()),
                         static_cast<int>(input.size())) != 1 ||
        EVP_CipherFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(output.data()) + written,
                           &finalWritten) != 1) {
        // Only a broken crypto library gets here; the input is always whole blocks.
        throw std::runtime_error("triple DES is not available");
    }
    output.resize(written + finalWritten);
    return output;
}

QByteArray StartingBlock() {
    QByteArray block(BlockSize, '\0');
    using namespace std::chrono;
    for (int i = 0; i < 4; ++i) {
        const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch());
        block[i] = static_cast<char>(ms.count() & 0xFF);
    }
    if (RAND_bytes(reinterpret_cast<unsigned char*>(block.data()) + 4, 4) != 1) {
        throw std::runtime_error("no secure random source");
    }
    return block;
}

// Checks what the decoder needs before handing the text to the library: only characters of
// the alphabet, whole groups of four, padding only at the very end.
void ValidateBase64(const QByteArray& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                              (c >= '0' && c <= '9') || c == '+' || c == '/';
        const bool padding = c == '=' && i >= text.size() - 2 && text.size() % 4 == 0 &&
                             (i == text.size() - 1 || text[text.size() - 1] == '=');
        if (!alphabet && !padding) {
            throw PasswordError(InvalidCharacter);
        }
    }
    if (text.size() % 4 != 0) {
        throw PasswordError(InvalidFormat);
    }
}

} // namespace

QString EncodePasswordBytes(const QByteArray& password) {
    const QByteArray start = TripleDes(StartingBlock(), true);
    const qsizetype full = password.size() / BlockSize * BlockSize;
    QByteArray payload = password.left(full);
    QByteArray last(BlockSize, '\0');
    const qsizetype rest = password.size() - full;
    for (qsizetype i = 0; i < rest; ++i) {
        last[i] = password[full + i];
    }
    last[BlockSize - 1] = static_cast<char>(rest);
    payload += last;
    return QString::fromLatin1((start + TripleDes(payload, true, start)).toBase64());
}

QByteArray DecodePasswordBytes(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < '+' || c.unicode() > 'z') {
            throw PasswordError(InvalidCharacter);
        }
    }
    const QByteArray ascii = text.toLatin1();
    ValidateBase64(ascii);
    const QByteArray raw = QByteArray::fromBase64(
        ascii, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (raw.size() < 2 * BlockSize) {
        throw PasswordError(InvalidFormat);
    }
    // Bytes after the last whole block are ignored.
    const qsizetype blocks = raw.size() / BlockSize;
    const QByteArray iv = raw.left(BlockSize);
    const QByteArray plain = TripleDes(raw.mid(BlockSize, (blocks - 1) * BlockSize), false, iv);
    const auto count = static_cast<unsigned char>(plain[plain.size() - 1]);
    if (count >= BlockSize) {
        throw PasswordError(InvalidFormat);
    }
    return plain.left(plain.size() - BlockSize + count);
}

QString EncodePassword(const QString& password) {
    return EncodePasswordBytes(password.toUtf8());
}

QString DecodePassword(const QString& text) {
    return QString::fromUtf8(DecodePasswordBytes(text));
}

} // namespace sievra
