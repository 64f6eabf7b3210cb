#include "net/Pop3Reply.h"

#include "net/Pop3Capabilities.h"

#include <gtest/gtest.h>
#include <limits>

using namespace sievra;

namespace {

TEST(Pop3StatReply, CountThenSizeBothNeeded) {
    struct Row {
        const char* reply;
        Pop3StatCounts counts;
    };
    const Row rows[] = {
        {"+OK 2 320", {2, 320}},
        {"+OK 2\t \r\n320", {2, 320}},
        {"", {0, 0}},
        {"+OK", {0, 0}},
        {"+OK 5", {0, 0}},
        {"+OK 5   ", {0, 0}},
        {"+OK 3 octets", {3, 0}},     // text follows, but no digits there
        {"+OK box1 holds 5", {1, 0}}, // the first digits count, wherever they are
        {"+OK 0 0", {0, 0}},
        {"+OK -5 100", {0, 0, true}},
        {"+OK 5 -100", {5, 0}}, // a size without digits reads as 0, as before
        {"+OK 99999999999 99999999999999999999999",
         {std::numeric_limits<int>::max(), std::numeric_limits<qint64>::max()}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ParseStatReply(QString::fromLatin1(row.reply)), row.counts) << row.reply;
    }
}

TEST(Pop3ReplyKind, PlusIsPositiveMinusErrRefusesTheRestIsOutOfStep) {
    const struct {
        const char* line;
        Pop3ReplyKind kind;
    } rows[] = {
        {"+OK 2 320", Pop3ReplyKind::Ok},
        {"+", Pop3ReplyKind::Ok},
        {"+ok", Pop3ReplyKind::Ok}, // read as positive, as the client always has
        {"-ERR [AUTH] no", Pop3ReplyKind::Err},
        {"-ERR", Pop3ReplyKind::Err},
        {"-err no", Pop3ReplyKind::Other},
        {"-", Pop3ReplyKind::Other},
        {"", Pop3ReplyKind::Other},
        {" +OK", Pop3ReplyKind::Other},
        {"220 smtp.example", Pop3ReplyKind::Other},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ClassifyPop3Reply(QString::fromLatin1(row.line)), row.kind) << row.line;
    }
}

TEST(Pop3Arguments, TrimBlanksAndControlsAtBothEndsOnly) {
    EXPECT_EQ(TrimPop3Argument(" \t\x01"
                               "alice \x7f\r\n"),
              "alice");
    EXPECT_EQ(TrimPop3Argument("  pass word  "), "pass word");
    EXPECT_EQ(TrimPop3Argument(QString::fromUtf8("\tj\u00fcrgen\u00a0")),
              QString::fromUtf8("j\u00fcrgen\u00a0"));
    EXPECT_EQ(TrimPop3Argument(" \x02 "), "");
}

TEST(Pop3Greeting, TimestampFromFirstOpenToTheCloseAfterIt) {
    EXPECT_EQ(GreetingTimestamp("+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>"),
              "<1896.697170952@dbc.mtview.ca.us>");
    EXPECT_EQ(GreetingTimestamp("+OK > first <a@b> <c@d>"), "<a@b>");
    EXPECT_EQ(GreetingTimestamp("+OK <unclosed"), "");
    EXPECT_EQ(GreetingTimestamp("+OK Dovecot ready."), "");
}

TEST(Pop3Capabilities, NamesCountWhateverTheirCaseAndArguments) {
    Pop3Capabilities offered;
    for (const char* line : {"TOP", "uidl", "Pipelining", "SASL PLAIN", "STLS   "}) {
        offered.Note(QString::fromLatin1(line));
    }
    EXPECT_TRUE(offered.Pipelining && offered.Uidl && offered.Stls);
    Pop3Capabilities lookalikes;
    for (const char* line : {"PIPELININGX", "X-UIDL", "IMPLEMENTATION UIDL STLS"}) {
        lookalikes.Note(QString::fromLatin1(line));
    }
    EXPECT_FALSE(lookalikes.Pipelining || lookalikes.Uidl || lookalikes.Stls);
}

TEST(Pop3UidlLine, NumberAndPrintableIdOnly) {
    EXPECT_EQ(ParseUidlLine(u"1 whqtswO00WBw418f9t5JxYwZ"),
              (Pop3UniqueId{1, QStringLiteral("whqtswO00WBw418f9t5JxYwZ")}));
    EXPECT_EQ(ParseUidlLine(QStringLiteral("7 ") + QString(70, u'~'))->Id.size(), 70);
    for (const QString& bad :
         {QStringLiteral(""), QStringLiteral("1"), QStringLiteral("1 "), QStringLiteral("x abc"),
          QStringLiteral("0 abc"), QStringLiteral("-1 abc"), QStringLiteral("1 a b"),
          QStringLiteral("1 a\tb"), QString::fromUtf8("1 caf\u00e9"),
          QStringLiteral("2 ") + QString(71, u'a')}) {
        EXPECT_FALSE(ParseUidlLine(bad)) << bad.toStdString();
    }
}

} // namespace
