#include "settings/PasswordCipher.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <random>

using namespace sievra;

namespace {

// Triple DES computed by the openssl program, independently of our own code path.
QByteArray OpensslDes(const QStringList& mode, const QByteArray& input) {
    const QByteArray key(reinterpret_cast<const char*>(PasswordKey.data()), 16);
    QProcess p;
    p.start("openssl", QStringList{"enc"} + mode + QStringList{"-K", key.toHex(), "-nopad"});
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(10000) || p.exitCode() != 0) {
        ADD_FAILURE() << "openssl failed: " << p.readAllStandardError().toStdString();
    }
    return p.readAllStandardOutput();
}

QByteArray FinalBlockOf(const QByteArray& password) {
    const qsizetype full = password.size() / 8 * 8;
    QByteArray last = password.mid(full).leftJustified(7, '\0');
    last.append(static_cast<char>(password.size() - full));
    return password.left(full) + last;
}

TEST(PasswordCipher, DecodesWhatAnIndependentTripleDesEnciphered) {
    const QByteArray password = "Now is the time\xe9!";
    const QByteArray start = "\x01\x02\x03\x04\xAA\xBB\xCC\xDD";
    const QByteArray c0 = OpensslDes({"-des-ede"}, start);
    ASSERT_EQ(c0.size(), 8);
    const QByteArray chained =
        OpensslDes({"-des-ede-cbc", "-iv", c0.toHex()}, FinalBlockOf(password));
    const QString text = QString::fromLatin1((c0 + chained).toBase64());
    EXPECT_EQ(DecodePasswordBytes(text), password);
}

TEST(PasswordCipher, EncodesWhatAnIndependentTripleDesDeciphers) {
    const QByteArray password = "correct horse battery";
    const QByteArray raw = QByteArray::fromBase64(EncodePasswordBytes(password).toLatin1());
    ASSERT_EQ(raw.size(), 8 * (password.size() / 8 + 2));
    const QByteArray plain =
        OpensslDes({"-d", "-des-ede-cbc", "-iv", raw.left(8).toHex()}, raw.mid(8));
    EXPECT_EQ(plain, FinalBlockOf(password));
}

TEST(PasswordCipher, LengthsOfTheTextForm) {
    const QString empty = EncodePasswordBytes({});
    EXPECT_EQ(empty.size(), 24);
    EXPECT_TRUE(empty.endsWith("=="));
    EXPECT_EQ(DecodePasswordBytes(empty), QByteArray());
    EXPECT_EQ(EncodePasswordBytes("1234567").size(), 24);
    EXPECT_EQ(QByteArray::fromBase64(EncodePasswordBytes("1234567").toLatin1()).size(), 16);
    EXPECT_EQ(EncodePasswordBytes("12345678").size(), 32);
    EXPECT_EQ(QByteArray::fromBase64(EncodePasswordBytes("12345678").toLatin1()).size(), 24);
    EXPECT_EQ(DecodePasswordBytes(EncodePasswordBytes("1234567")), "1234567");
    EXPECT_EQ(DecodePasswordBytes(EncodePasswordBytes("12345678")), "12345678");
}

TEST(PasswordCipher, TwoEncodingsDifferAndBothDecode) {
    const QString a = EncodePassword("secret");
    const QString b = EncodePassword("secret");
    EXPECT_NE(a, b);
    EXPECT_EQ(DecodePassword(a), "secret");
    EXPECT_EQ(DecodePassword(b), "secret");
}

TEST(PasswordCipher, RoundTripsOfZeroToFortyArbitraryBytes) {
    std::mt19937 random(7);
    for (int length = 0; length <= 40; ++length) {
        QByteArray password(length, '\0');
        for (char& c : password) {
            c = static_cast<char>(random() & 0xFF);
        }
        const QString text = EncodePasswordBytes(password);
        EXPECT_EQ(text.size(), 4 * ((8 * (length / 8 + 2) + 2) / 3)) << length;
        EXPECT_EQ(DecodePasswordBytes(text), password) << "length " << length;
    }
    EXPECT_EQ(DecodePassword(EncodePassword("Grüße, 密码")), "Grüße, 密码");
}

void ExpectFailure(const QString& text, const char* message) {
    try {
        DecodePasswordBytes(text);
        ADD_FAILURE() << "no failure for " << text.toStdString();
    } catch (const PasswordError& error) {
        EXPECT_STREQ(error.what(), message) << text.toStdString();
    }
}

TEST(PasswordCipher, MalformedTextsFailWithTheirMessage) {
    const QString good = EncodePassword("abc");
    ExpectFailure(good.left(12) + "\n" + good.mid(12), "Invalid Base64 Character");
    ExpectFailure(good.left(12) + " " + good.mid(13), "Invalid Base64 Character");
    ExpectFailure(good.left(12) + "{" + good.mid(13), "Invalid Base64 Character");
    ExpectFailure(good.left(12) + ":" + good.mid(13), "Invalid Base64 Character");
    ExpectFailure("AB=C" + good.mid(4), "Invalid Base64 Character");
    ExpectFailure(QString("é") + good.mid(1), "Invalid Base64 Character");
    ExpectFailure("QUJDREVG", "Invalid file format");
    ExpectFailure(good.left(22), "Invalid file format");
    ExpectFailure(good.left(20), "Invalid file format");
}

TEST(PasswordCipher, CountByteAboveSevenIsRefused) {
    // Any 16 bytes decipher to some final block; find one whose count byte is out of range.
    for (int seed = 0; seed < 200; ++seed) {
        QByteArray raw(16, static_cast<char>(seed));
        raw[15] = static_cast<char>(seed * 7);
        const QString text = QString::fromLatin1(raw.toBase64());
        try {
            const QByteArray plain = DecodePasswordBytes(text);
            EXPECT_LE(plain.size(), 7);
        } catch (const PasswordError& error) {
            EXPECT_STREQ(error.what(), "Invalid file format");
            return;
        }
    }
    FAIL() << "no block with a count byte above 7 among 200";
}

TEST(PasswordCipher, BytesAfterTheLastWholeBlockAreIgnored) {
    const QByteArray raw = QByteArray::fromBase64(EncodePasswordBytes("hello").toLatin1());
    const QString extended = QString::fromLatin1((raw + "xyz").toBase64());
    EXPECT_EQ(DecodePasswordBytes(extended), "hello");
}

} // namespace
