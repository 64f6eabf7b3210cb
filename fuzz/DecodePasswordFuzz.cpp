// Arbitrary stored texts must either decode or fail with one of the two messages.
#include "settings/PasswordCipher.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const QByteArray plain = sievra::DecodePasswordBytes(text);
        if (plain.size() > static_cast<qsizetype>(size)) {
            std::abort();
        }
        if (sievra::DecodePasswordBytes(sievra::EncodePasswordBytes(plain)) != plain) {
            std::abort();
        }
    } catch (const sievra::PasswordError& error) {
        if (std::strcmp(error.what(), "Invalid Base64 Character") != 0 &&
            std::strcmp(error.what(), "Invalid file format") != 0) {
            std::abort();
        }
    }
    return 0;
}
