// TSmtpCli against a real aiosmtpd server on 127.0.0.1: what a server really receives, step by
// step and, with a server that offers PIPELINING, in pipelined groups.
#include "tests/support/SmtpSink.h"

#include "SmtpSession.h"
#include "net/MimeText.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <memory>

using namespace sievra;
using namespace sievra::test;

namespace {

const QString Gone = QStringLiteral("gone@example.org");
const QString Full = QStringLiteral("full@example.org");

// The parameter: the servers offer PIPELINING.
class SmtpAgainstAiosmtpd : public testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() {
        SmtpSinkOptions plain;
        plain.Rejects = {{Gone, "550 5.1.1 <gone@example.org>: Recipient address rejected"},
                         {Full, "452 4.2.2 <full@example.org>: Mailbox full"}};
        SmtpSinkOptions auth;
        auth.AuthUser = QStringLiteral("bob");
        auth.AuthPassword = QStringLiteral("bobpw");
        for (const bool pipelining : {false, true}) {
            plain.Pipelining = auth.Pipelining = pipelining;
            sinks[pipelining] = std::make_unique<SmtpSink>(plain);
            authSinks[pipelining] = std::make_unique<SmtpSink>(auth);
        }
    }
    static void TearDownTestSuite() {
        for (const bool pipelining : {false, true}) {
            sinks[pipelining].reset();
            authSinks[pipelining].reset();
        }
    }

    SmtpSink& Sink() const { return *sinks[GetParam()]; }
    SmtpSink& AuthSink() const { return *authSinks[GetParam()]; }

    // Connects and says HELO, as the engine does without authentication.
    void OpenWithHelo(SmtpSession& s) const {
        ASSERT_EQ(s.Open(Sink().Port()), 0) << s.client.LastResponse().toStdString();
        ASSERT_EQ(s.Run([&] { s.client.Helo(); }), 0);
        EXPECT_EQ(s.client.Extensions().Pipelining, GetParam());
    }

    // MAIL FROM, RCPT TO and DATA of the last Mail left before a reply to any of them came
    // back exactly when the server offers PIPELINING.
    void ExpectGroupedAsOffered(const SmtpSession& s) const {
        qsizetype mail = s.display.size() - 1;
        while (mail >= 0 && !s.display.at(mail).startsWith(QStringLiteral("> MAIL FROM:"))) {
            --mail;
        }
        ASSERT_GE(mail, 0);
        const QStringList next = s.display.mid(mail + 1, 2);
        const bool grouped = next.size() == 2 && next.at(0).startsWith("> RCPT TO:") &&
                             next.at(1) == QStringLiteral("> DATA");
        EXPECT_EQ(grouped, GetParam()) << s.display.join('\n').toStdString();
    }

    // One reply message the way the reply phase sets it up.
    static void SetReply(TSmtpCli& client, const QString& to) {
        client.SetRcptName({to});
        client.SetHdrTo(to);
        client.SetHdrFrom(QStringLiteral("Sievra Test <me@example.org>"));
        client.SetHdrReplyTo(QStringLiteral("me@example.org"));
        client.SetHdrSubject(QStringLiteral("Your message was deleted"));
        client.SetMailMessage({QStringLiteral("Hello")});
    }

    static std::unique_ptr<SmtpSink> sinks[2];
    static std::unique_ptr<SmtpSink> authSinks[2];
};

std::unique_ptr<SmtpSink> SmtpAgainstAiosmtpd::sinks[2];
std::unique_ptr<SmtpSink> SmtpAgainstAiosmtpd::authSinks[2];

TEST_P(SmtpAgainstAiosmtpd, ANonAsciiReplyArrivesByteForByte) {
    SmtpSession s;
    OpenWithHelo(s);
    EXPECT_LT(s.events.indexOf(QStringLiteral("Connected 0")),
              s.events.indexOf(QStringLiteral("Done 0 0")));
    EXPECT_TRUE(s.Sent().first().startsWith(QStringLiteral("EHLO ")));

    SetReply(s.client, QStringLiteral("you@example.org"));
    s.client.SetHdrFrom(MailboxText(QStringLiteral("Doe, Jürgen"), "me@example.org"));
    s.client.SetHdrSubject(QStringLiteral("Deleted – 5 €"));
    s.client.SetMailMessage({"Hello", "", ".", "..", ".leading dot", "", "Grüße, 5 €"});
    const int before = static_cast<int>(Sink().Messages().size());
    ASSERT_EQ(s.Run([&] { s.client.Mail(); }), 0) << s.client.ErrorMessage().toStdString();
    EXPECT_EQ(s.lastType, SmtpRequest::Mail);
    ExpectGroupedAsOffered(s);
    ASSERT_TRUE(Sink().WaitForMessages(before + 1));
    const ReceivedMail mail = Sink().Messages().at(before);

    EXPECT_EQ(mail.MailFrom, "<>") << "empty reverse path";
    EXPECT_EQ(mail.RcptTos, QStringList({"you@example.org"}));
    const QRegularExpression dateLine(
        "\r\nDate: ((Mon|Tue|Wed|Thu|Fri|Sat|Sun), ([1-9]|[12][0-9]|3[01]) "
        "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4} [0-2][0-9]:[0-5][0-9]:[0-6]["
        "0-9] [+-][0-9]{4})\r\n");
    const auto date = dateLine.match(QString::fromLatin1(mail.Data));
    const auto id = QRegularExpression("\r\nMessage-ID: (<[0-9a-f-]{36}@example.org>)\r\n")
                        .match(QString::fromLatin1(mail.Data));
    ASSERT_TRUE(id.hasMatch()) << mail.Data.toStdString();
    ASSERT_TRUE(date.hasMatch()) << mail.Data.toStdString();
    const QDateTime sent = QDateTime::fromString(date.captured(1), Qt::RFC2822Date);
    ASSERT_TRUE(sent.isValid()) << date.captured(1).toStdString();
    EXPECT_LE(std::abs(sent.secsTo(QDateTime::currentDateTime())), 120)
        << "local time and zone offset together name this moment";

    // The server offers 8BITMIME: the text goes as it is, in the charset its "€" needs.
    const QByteArray expected = "Reply-To: me@example.org\r\n"
                                "From: =?iso-8859-1?Q?Doe=2C_J=FCrgen?= <me@example.org>\r\n"
                                "To: you@example.org\r\n"
                                "Subject: =?utf-8?Q?Deleted_=E2=80=93_5_=E2=82=AC?=\r\n"
                                "Message-ID: " +
                                id.captured(1).toLatin1() +
                                "\r\n"
                                "Mime-Version: 1.0\r\n"
                                "Content-Type: text/plain; charset=\"utf-8\"\r\n"
                                "Content-Transfer-Encoding: 8bit\r\n"
                                "Date: " +
                                date.captured(1).toLatin1() +
                                "\r\n"
                                "\r\n"
                                "Hello\r\n"
                                "\r\n"
                                ".\r\n"
                                "..\r\n"
                                ".leading dot\r\n"
                                "\r\n"
                                "Gr\xc3\xbc\xc3\x9f"
                                "e, 5 \xe2\x82\xac\r\n";
    EXPECT_EQ(mail.Data, expected);
    // On the wire the body lines that begin with "." carry one more.
    const QStringList sentLines = s.Sent();
    const qsizetype hello = sentLines.indexOf(QStringLiteral("Hello"));
    ASSERT_GE(hello, 0);
    EXPECT_EQ(sentLines.mid(hello),
              QStringList({"Hello", "", "..", "...", "..leading dot", "", "Grüße, 5 €", "."}));

    EXPECT_EQ(s.Run([&] { s.client.Quit(); }), 0);
    EXPECT_TRUE(WaitFor([&] { return !s.client.Connected(); }));
    EXPECT_EQ(s.events.filter(QRegularExpression("^Done")).size(), 4);
    EXPECT_FALSE(s.doneInsideCall);
}

TEST_P(SmtpAgainstAiosmtpd, EhloAndAuthLoginReportTheServersCodes) {
    SmtpSession s;
    s.client.SetHost(QStringLiteral("localhost")); // by name this time
    s.client.SetPort(QString::number(AuthSink().Port()));
    ASSERT_EQ(s.Run([&] { s.client.Connect(); }), 0) << s.client.LastResponse().toStdString();
    EXPECT_EQ(s.Run([&] { s.client.Ehlo(); }), 0) << "the multi-line 250 answer completes once";
    EXPECT_EQ(s.done, 2);
    s.client.SetUser(QStringLiteral("bob"));
    s.client.SetPassword(QStringLiteral("bobpw"));
    EXPECT_EQ(s.Run([&] { s.client.AuthLogin(); }), 334);
    EXPECT_EQ(s.lastType, SmtpRequest::AuthLogin);
    EXPECT_EQ(s.Run([&] { s.client.AuthUser(); }), 334);
    EXPECT_EQ(s.lastType, SmtpRequest::AuthUser);
    EXPECT_EQ(s.Sent().last(), QStringLiteral("Ym9i"));
    EXPECT_EQ(s.Run([&] { s.client.AuthPass(); }), 235);
    EXPECT_EQ(s.lastType, SmtpRequest::AuthPass);
    EXPECT_TRUE(s.client.ErrorMessage().startsWith(QStringLiteral("235 ")));

    SetReply(s.client, QStringLiteral("you@example.org"));
    const int before = static_cast<int>(AuthSink().Messages().size());
    ASSERT_EQ(s.Run([&] { s.client.Mail(); }), 0) << s.client.ErrorMessage().toStdString();
    ASSERT_TRUE(AuthSink().WaitForMessages(before + 1));
    EXPECT_EQ(AuthSink().Messages().at(before).AuthLogin, QStringLiteral("bob"));
    EXPECT_EQ(s.Run([&] { s.client.Quit(); }), 0);
}

TEST_P(SmtpAgainstAiosmtpd, RefusedRecipientsEndTheMailAndLeaveTheSessionUsable) {
    SmtpSession s;
    OpenWithHelo(s);
    const int before = static_cast<int>(Sink().Messages().size());

    SetReply(s.client, Gone);
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), 550);
    EXPECT_EQ(s.client.ErrorMessage(),
              QStringLiteral("550 5.1.1 <gone@example.org>: Recipient address rejected"));
    ExpectGroupedAsOffered(s);
    EXPECT_EQ(s.Sent().last(), QStringLiteral("RSET")) << "the server forgets the sender";

    // The engine counts a 550 as served and sends the next reply in the same session.
    SetReply(s.client, QStringLiteral("next@example.org"));
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), 0) << s.client.ErrorMessage().toStdString();

    SetReply(s.client, Full);
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), 452);
    EXPECT_EQ(s.client.ErrorMessage(),
              QStringLiteral("452 4.2.2 <full@example.org>: Mailbox full"));

    // Several recipients: every one is tried, the last one decides.
    s.client.SetRcptName({Gone, QStringLiteral("last@example.org")});
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), 0);
    EXPECT_TRUE(s.client.ErrorMessage().startsWith(QStringLiteral("550")))
        << "the first failure text stays";
    s.client.SetRcptName({QStringLiteral("first@example.org"), Gone});
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), 550);

    ASSERT_TRUE(Sink().WaitForMessages(before + 2));
    const auto mails = Sink().Messages().mid(before);
    ASSERT_EQ(mails.size(), 2) << "nothing for the refused messages";
    EXPECT_EQ(mails.at(0).RcptTos, QStringList({"next@example.org"}));
    EXPECT_EQ(mails.at(1).RcptTos, QStringList({"last@example.org"}));
    EXPECT_EQ(s.Run([&] { s.client.Quit(); }), 0);
}

INSTANTIATE_TEST_SUITE_P(Offered, SmtpAgainstAiosmtpd, testing::Bool(), [](const auto& param) {
    return param.param ? "Pipelining" : "StepByStep";
});

} // namespace
