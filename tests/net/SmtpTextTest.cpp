// The pure rules under the SMTP client: reply codes, the Date text, the header block, and how
// text lines are made fit for the wire.
#include "net/SmtpText.h"

#include "net/MimeText.h"
#include "net/SmtpDate.h"
#include "net/SmtpHeader.h"
#include "net/SmtpReply.h"

#include <QLocale>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

TEST(SmtpReply, CodesAndContinuations) {
    const struct {
        const char* line;
        int code;
        bool continues;
    } rows[] = {
        {"250 OK", 250, false},
        {"250-SIZE 1000", 250, true},
        {" \t\r\n354 go", 354, false},
        {"+220 x", 220, false},
        {"-5", -5, false},
        {"250", 250, false},
        {"hello", 0, false},
        {"", 0, false},
        {"99999999999999 x", 2147483647, false},
    };
    for (const auto& row : rows) {
        const SmtpReplyLine reply = ParseSmtpReply(QString::fromLatin1(row.line));
        EXPECT_EQ(reply.Code, row.code) << row.line;
        EXPECT_EQ(reply.Continues, row.continues) << row.line;
    }
    EXPECT_TRUE(SmtpReplyAccepted(251, {250, 251}));
    EXPECT_FALSE(SmtpReplyAccepted(334, {250}));
    EXPECT_TRUE(SmtpReplyAccepted(499, {}));
    EXPECT_FALSE(SmtpReplyAccepted(500, {}));
    EXPECT_EQ(SmtpReplyError(554), 554);
    for (const int unusable : {0, -250, 65536, 2147483647}) {
        EXPECT_EQ(SmtpReplyError(unusable), 500) << unusable;
    }
}

TEST(SmtpReply, ExtensionsOfAnEhloReply) {
    const struct {
        const char* line;
        bool offers;
    } rows[] = {
        {"250-STARTTLS", true},       {"250 STARTTLS", true},
        {"250-starttls", true},       {" 250-STARTTLS  ", true},
        {"250-STARTTLS x", true},     {"250-STARTTLSX", false},
        {"250-AUTH STARTTLS", false}, {"250STARTTLS", false},
        {"STARTTLS", false},          {"", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SmtpLineOffers(QString::fromLatin1(row.line), u"STARTTLS"), row.offers)
            << row.line;
    }
}

TEST(SmtpDate, EnglishNamesAndTheZoneOffsetRule) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const auto at = [](int offsetSeconds) {
        return QDateTime(QDate(2024, 9, 3), QTime(7, 5, 9), QTimeZone(offsetSeconds));
    };
    EXPECT_EQ(SmtpDateText(at(7200)), QStringLiteral("Tue, 3 Sep 2024 07:05:09 +0200"));
    EXPECT_EQ(SmtpDateText(at(-18000)), QStringLiteral("Tue, 3 Sep 2024 07:05:09 -0500"));
    EXPECT_EQ(SmtpDateText(at(19800)), QStringLiteral("Tue, 3 Sep 2024 07:05:09 +0530"));
    EXPECT_EQ(SmtpDateText(at(-12600)), QStringLiteral("Tue, 3 Sep 2024 07:05:09 -0330"));
    EXPECT_EQ(SmtpDateText(at(0)), QStringLiteral("Tue, 3 Sep 2024 07:05:09 +0000"))
        << "-0000 would mean an unknown zone";
    EXPECT_EQ(SmtpDateText(QDateTime(QDate(2023, 12, 31), QTime(23, 59, 0), QTimeZone(3600))),
              QStringLiteral("Sun, 31 Dec 2023 23:59:00 +0100"));
    // Daylight saving time counts: Berlin is +0200 in July and +0100 in January.
    const QTimeZone berlin("Europe/Berlin");
    EXPECT_TRUE(SmtpDateText(QDateTime(QDate(2024, 7, 1), QTime(12, 0), berlin))
                    .endsWith(QStringLiteral("+0200")));
    EXPECT_TRUE(SmtpDateText(QDateTime(QDate(2024, 1, 1), QTime(12, 0), berlin))
                    .endsWith(QStringLiteral("+0100")));
    QLocale::setDefault(saved);
}

TEST(SmtpHeader, OrderAndOptionalLines) {
    SmtpHeaderFields f;
    f.ReplyTo = QStringLiteral(" \t ");
    f.From = QStringLiteral("A <a@x.org>");
    f.Sender = QStringLiteral("A <a@x.org>");
    f.Subject = QStringLiteral("Grüße");
    f.MessageId = QStringLiteral("<1@x.org>");
    EXPECT_EQ(SmtpHeaderLines(f, QStringLiteral("D")),
              QStringList({"From: A <a@x.org>",
                           "To: ", "Subject: =?iso-8859-1?Q?Gr=FC=DFe?=", "Message-ID: <1@x.org>",
                           "Mime-Version: 1.0", "Content-Type: text/plain; charset=\"iso-8859-1\"",
                           "Content-Transfer-Encoding: 7bit", "Date: D"}))
        << "no Return-Path, no Sender equal to From";
    f.ReplyTo = QStringLiteral("r@x.org");
    f.Sender = QStringLiteral("s@x.org");
    f.ContentType = smtpHTML;
    f.Encoding = {QStringLiteral("utf-8"), BodyEncoding::Transfer::QuotedPrintable};
    const QStringList lines = SmtpHeaderLines(f, QStringLiteral("D"));
    EXPECT_EQ(lines.first(), QStringLiteral("Reply-To: r@x.org"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Sender: s@x.org")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Content-Type: text/html; charset=\"utf-8\"")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Content-Transfer-Encoding: quoted-printable")));
    EXPECT_TRUE(NewMessageId(QStringLiteral("x.org")).endsWith(QStringLiteral("@x.org>")));
}

TEST(MimeText, CharsetTrueToTheTextAndAnEncodingTheServerTakes) {
    using T = BodyEncoding::Transfer;
    const struct {
        QStringList lines;
        bool eightBitMime;
        BodyEncoding expected;
    } rows[] = {
        {{"plain", ""}, false, {"iso-8859-1", T::SevenBit}},
        {{"Grüße"}, true, {"iso-8859-1", T::EightBit}},
        {{"Grüße"}, false, {"iso-8859-1", T::QuotedPrintable}},
        {{"ok", "5 €"}, false, {"utf-8", T::QuotedPrintable}},
        {{"Šta", "Привет 😀"}, true, {"utf-8", T::EightBit}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ChooseBodyEncoding(row.lines, row.eightBitMime), row.expected)
            << row.lines.join(u'|').toStdString();
    }
    const BodyEncoding qpUtf8{"utf-8", T::QuotedPrintable};
    EXPECT_EQ(EncodeBodyLine(QStringLiteral("5 € = fünf "), qpUtf8),
              QByteArrayList({"5 =E2=82=AC =3D f=C3=BCnf=20"}));
    EXPECT_EQ(EncodeBodyLine(QStringLiteral("Grüße"), {"iso-8859-1", T::EightBit}),
              QByteArrayList({"Gr\xfc\xdf"
                              "e"}));
    // Soft breaks keep every piece within 76 characters and never split an escape.
    const QByteArrayList long_ = QuotedPrintableLines(QString(60, u'ü').toUtf8());
    QByteArray joined;
    for (const QByteArray& piece : long_) {
        EXPECT_LE(piece.size(), 76);
        joined += piece.endsWith('=') ? piece.chopped(1) : piece;
    }
    EXPECT_GT(long_.size(), 1);
    EXPECT_EQ(joined, QByteArray("=C3=BC").repeated(60));
    EXPECT_EQ(QuotedPrintableLines(""), QByteArrayList({""}));
}

TEST(MimeText, HeaderWordsAndDisplayNames) {
    EXPECT_EQ(EncodeHeaderText(QStringLiteral("plain text")), QStringLiteral("plain text"));
    EXPECT_EQ(EncodeHeaderText(QStringLiteral("5 € now?")),
              QStringLiteral("=?utf-8?Q?5_=E2=82=AC_now=3F?="));
    const QString words = EncodeHeaderText(QString(40, u'ö'));
    for (const QString& word : words.split(u' ')) {
        EXPECT_LE(word.size(), 75);
        EXPECT_TRUE(word.startsWith(QStringLiteral("=?iso-8859-1?Q?")));
    }
    EXPECT_EQ(words.count(QStringLiteral("=F6")), 40);
    const QString a = QStringLiteral("a@x.org");
    EXPECT_EQ(MailboxText(QString(), a), a);
    EXPECT_EQ(MailboxText(QStringLiteral("Jo Doe"), a), QStringLiteral("Jo Doe <a@x.org>"));
    EXPECT_EQ(MailboxText(QStringLiteral("Doe, John \"JD\""), a),
              QStringLiteral("\"Doe, John \\\"JD\\\"\" <a@x.org>"));
    EXPECT_EQ(MailboxText(QStringLiteral("Jürgen (Büro)"), a),
              QStringLiteral("=?iso-8859-1?Q?J=FCrgen_=28B=FCro=29?= <a@x.org>"));
    EXPECT_EQ(AddressPart(QStringLiteral("\"x <y>\" <a@x.org>")), a);
}

TEST(SmtpReply, EnhancedCodesAndOfferedExtensions) {
    EXPECT_EQ(ParseEnhancedCode(u"550 5.1.1 <a@x>: unknown"), (SmtpEnhancedCode{5, 1, 1}));
    EXPECT_EQ(ParseEnhancedCode(u"450-4.7.1 greylisted"), (SmtpEnhancedCode{4, 7, 1}));
    EXPECT_EQ(ParseEnhancedCode(u"250 2.0.0"), (SmtpEnhancedCode{2, 0, 0}));
    for (const char16_t* none : {u"550 user unknown", u"550 4.1.1 class differs", u"550 5.1 short",
                                 u"550 5.1.1x", u"550 5.1234.1 long", u""}) {
        EXPECT_FALSE(ParseEnhancedCode(none).has_value()) << QString::fromUtf16(none).toStdString();
    }
    SmtpExtensions offered;
    for (const char* line : {"250-mx.example", "250-8BITMIME", "250-SIZE 100", "250 SMTPUTF8"}) {
        offered.Note(QString::fromLatin1(line));
    }
    EXPECT_TRUE(offered.EightBitMime);
    EXPECT_TRUE(offered.SmtpUtf8);
    EXPECT_FALSE(offered.EnhancedStatusCodes);
}

TEST(SmtpText, LineBreaksInsideABodyLineEndLines) {
    EXPECT_EQ(SplitAtLineBreaks(QStringLiteral("plain")), QStringList({"plain"}));
    EXPECT_EQ(SplitAtLineBreaks(QStringLiteral("a\r\n.\r\nb\rc\nd\n")),
              QStringList({"a", ".", "b", "c", "d", ""}));
}

TEST(SmtpText, BodyLinesAreStuffedAndSplitWithinTheLimit) {
    EXPECT_EQ(BodyWireLines("", false), QByteArrayList({""}));
    EXPECT_EQ(BodyWireLines(".", false), QByteArrayList({".."}));
    EXPECT_EQ(BodyWireLines("..", false), QByteArrayList({"..."}));
    const QByteArray exact(998, 'x');
    EXPECT_EQ(BodyWireLines(exact, false), QByteArrayList({exact}));
    EXPECT_EQ(BodyWireLines("." + exact.left(997), false),
              QByteArrayList({".." + exact.left(996), "x"}));

    // A piece that begins with "." after a cut is stuffed too, and stays within the limit.
    const QByteArray dotted = QByteArray(998, 'x') + "." + QByteArray(1500, 'y');
    const QByteArrayList pieces = BodyWireLines(dotted, false);
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_EQ(pieces.at(1), "." + ("." + QByteArray(996, 'y')));
    for (const QByteArray& piece : pieces) {
        EXPECT_LE(piece.size(), SmtpMaxLineLength);
    }

    // Cuts fall after a blank when one is near, never inside a UTF-8 character.
    const QByteArray words = QStringList(400, QStringLiteral("word")).join(u' ').toUtf8();
    EXPECT_TRUE(BodyWireLines(words, true).first().endsWith("word "));
    const QByteArray umlauts = QString(1500, u'ä').toUtf8();
    QByteArray joined;
    for (const QByteArray& piece : BodyWireLines(umlauts, true)) {
        EXPECT_LE(piece.size(), SmtpMaxLineLength);
        EXPECT_EQ(QString::fromUtf8(piece).toUtf8(), piece) << "whole characters only";
        joined += piece;
    }
    EXPECT_EQ(joined, umlauts);
}

TEST(SmtpText, HeaderLinesFoldBeforeBlanksOrNotAtAll) {
    EXPECT_EQ(FoldHeaderLine("Subject: short"), QByteArrayList({"Subject: short"}));
    const QByteArray value = QStringList(300, QStringLiteral("word")).join(u' ').toLatin1();
    const auto folded = FoldHeaderLine("Subject: " + value);
    ASSERT_TRUE(folded.has_value());
    ASSERT_EQ(folded->size(), 2);
    EXPECT_LE(folded->at(0).size(), SmtpMaxLineLength);
    EXPECT_TRUE(folded->at(1).startsWith(" word"));
    EXPECT_EQ(folded->join(), "Subject: " + value) << "unfolding gives the line back";
    EXPECT_FALSE(FoldHeaderLine("Subject: " + QByteArray(1000, 'x')).has_value());
    EXPECT_FALSE(FoldHeaderLine("Subject: x" + QByteArray(1000, ' ')).has_value())
        << "no piece of blanks only";
}

} // namespace
