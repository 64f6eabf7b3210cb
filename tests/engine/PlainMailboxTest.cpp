#include "engine/PlainMailbox.h"

#include "net/SmtpHeader.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <random>

using namespace sievra;

namespace {

TEST(PlainMailbox, OnlyLocalPartAtDomain) {
    const QString longLocal(243, QLatin1Char('a')); // 243 + "@x.example" = 253
    for (const QString& good :
         {QStringLiteral("a@x.example"), QStringLiteral("first.last+tag@sub.x-y.example"),
          QStringLiteral("o'neil!#$%&*/=?^_`{|}~-@x.example"), QStringLiteral("a@[192.0.2.1]"),
          QStringLiteral("a@[IPv6:2001:db8::1]"), QStringLiteral("jörg@bücher.example"),
          longLocal + QStringLiteral("@x.example"), longLocal + QStringLiteral("b@x.example")}) {
        EXPECT_TRUE(IsPlainMailbox(good)) << good.toStdString();
    }
    for (const QString& bad : {QStringLiteral("a@x.example> NOTIFY=SUCCESS"), // an SMTP parameter
                               QStringLiteral("g:v@x.example;"),              // group syntax
                               QStringLiteral("a@x.example,b@y.example"),
                               QStringLiteral("<a@x.example>"),
                               QStringLiteral("a b@x.example"),
                               QStringLiteral("\"a b\"@x.example"),
                               QStringLiteral("a@x.example\r\nBcc: b@y.example"),
                               QStringLiteral("a@x.example\n"),
                               QStringLiteral("a(c)@x.example"),
                               QStringLiteral(".a@x.example"),
                               QStringLiteral("a..b@x.example"),
                               QStringLiteral("a.@x.example"),
                               QStringLiteral("a@-x.example"),
                               QStringLiteral("a@x..example"),
                               QStringLiteral("@x"),
                               QStringLiteral("a@"),
                               QStringLiteral("a@[1.2.3.4"),
                               QStringLiteral("a@[a b]"),
                               QStringLiteral("a\u2028@x.example"),
                               QStringLiteral("a@x.example\u0085"),
                               QString(QLatin1Char('a')) + QChar(0) + QStringLiteral("@x.example"),
                               longLocal + QStringLiteral("bb@x.example"), // 255 octets
                               QString(1100, QLatin1Char('l')) + QStringLiteral("@bad.example")}) {
        EXPECT_FALSE(IsPlainMailbox(bad)) << bad.toStdString();
    }
}

// Whatever passes the check goes into "RCPT TO:<...>" and the To line as it is: it must
// leave the command one path without parameters, and the header the same lines as a plain
// address does, with one To line that an RFC 5322 reader sees as one address.
TEST(PlainMailbox, NoAddressThatPassesCanChangeTheCommandOrTheHeader) {
    // Mostly ordinary characters, so that many candidates pass, and now and then one that
    // could break out of the command or the header.
    const QString benign = QStringLiteral("abcZ09.-_+='");
    const QString hostile = QStringLiteral("@ <>\r\n\t,;:\"()[]\\") + QChar(0) + QChar(0x85) +
                            QChar(0x2028) + QChar(0xe9);
    SmtpHeaderFields fields;
    fields.From = QStringLiteral("me@home.example");
    fields.Subject = QStringLiteral("deleted");
    fields.To = QStringLiteral("plain@x.example");
    const qsizetype plainLines = SmtpHeaderLines(fields, QStringLiteral("date")).size();
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> length(1, 12);
    std::bernoulli_distribution rare(0.08);
    const auto part = [&] {
        QString text;
        for (int n = length(random); n > 0; --n) {
            const QString& from = rare(random) ? hostile : benign;
            text += from[std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random)];
        }
        return text;
    };
    int passed = 0;
    for (int round = 0; round < 100000; ++round) {
        const QString address = part() + QLatin1Char('@') + part();
        if (!IsPlainMailbox(address)) {
            continue;
        }
        ++passed;
        const QString rcpt = QStringLiteral("RCPT TO:<") + address + QLatin1Char('>');
        ASSERT_EQ(rcpt.count(QLatin1Char('<')) + rcpt.count(QLatin1Char('>')), 2)
            << rcpt.toStdString();
        // No blank after the verb: a blank would start an ESMTP parameter.
        ASSERT_FALSE(rcpt.mid(8).contains(QLatin1Char(' '))) << rcpt.toStdString();
        fields.To = address;
        const QStringList header = SmtpHeaderLines(fields, QStringLiteral("date"));
        ASSERT_EQ(header.size(), plainLines) << address.toStdString();
        ASSERT_EQ(header.filter(QRegularExpression(QStringLiteral("^To:"))),
                  QStringList({QStringLiteral("To: ") + address}));
        for (const QString& line : header) {
            ASSERT_FALSE(line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')));
        }
        // No list, group, quote or comment syntax (a colon only inside an address literal).
        for (const QChar c : QStringLiteral(",;\"()\\")) {
            ASSERT_FALSE(address.contains(c)) << address.toStdString();
        }
    }
    EXPECT_GT(passed, 1000) << "the generator must reach addresses that pass";
}

} // namespace
