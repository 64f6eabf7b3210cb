// TSmtpCli against a scripted server, for what real servers will not do.
#include "SmtpSession.h"
#include "net/SocketError.h"
#include "tests/support/FakeServer.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <optional>

using namespace sievra;
using namespace sievra::test;

namespace {

// Greets and accepts EHLO, offering nothing.
FakeServer& Greeted(FakeServer& server) {
    return server.Says("220 fake ESMTP").ExpectsPrefix("EHLO ").Says("250 hello");
}

// Greets and accepts EHLO, offering PIPELINING.
FakeServer& GreetedPipelining(FakeServer& server) {
    return server.Says("220 fake ESMTP")
        .ExpectsPrefix("EHLO ")
        .SaysLines({"250-fake"})
        .Says("250 PIPELINING");
}

// Accepts the sender and `rcpt`, and invites the text.
FakeServer& AwaitsText(FakeServer& server, const QByteArray& rcpt = "a@example.org") {
    return server.Expects("MAIL FROM:<>")
        .Says("250 OK")
        .Expects("RCPT TO:<" + rcpt + ">")
        .Says("250 OK")
        .Expects("DATA")
        .Says("354 go ahead");
}

// Accepts one message to `rcpt` and takes its text up to the final ".".
FakeServer& TakesMail(FakeServer& server, const QByteArray& rcpt = "a@example.org") {
    return AwaitsText(server, rcpt).ExpectsLinesUntil(".").Says("250 queued");
}

void OpenWithHelo(SmtpSession& s, const FakeServer& server) {
    ASSERT_EQ(s.Open(server.Port()), 0) << server.Dialogue().toStdString();
    ASSERT_EQ(s.Run([&] { s.client.Helo(); }), 0) << server.Dialogue().toStdString();
}

void SetMessage(TSmtpCli& client, const QStringList& body = {QStringLiteral("Hello")}) {
    client.SetRcptName({QStringLiteral("a@example.org")});
    client.SetHdrFrom(QStringLiteral("me@example.org"));
    client.SetHdrTo(QStringLiteral("a@example.org"));
    client.SetHdrSubject(QStringLiteral("Hi"));
    client.SetMailMessage(body);
}

QString Raised(const std::function<void()>& request) {
    try {
        request();
    } catch (const ClientException& e) {
        return e.ClassName() + QStringLiteral(": ") + e.Message();
    }
    return QStringLiteral("(no exception)");
}

// The body lines of a received message: after the header's empty line, before ".".
QByteArrayList BodyOnWire(const QByteArray& received) {
    const qsizetype start = received.indexOf("\r\n\r\n") + 4;
    const qsizetype end = received.lastIndexOf("\r\n.\r\n");
    return received.mid(start, end - start).split('\n');
}

TEST(SmtpScript, MultiLineRepliesCompleteOnceOnTheirFinalLine) {
    FakeServer server;
    server.SaysLines({"220-fake", "220-more greeting"})
        .Says("220 ready")
        .Expects("EHLO not.for.helo")
        .SaysLines({"250-fake", "250-SIZE 1000", "250-AUTH LOGIN"})
        .SaysInPieces({"250 H", "ELP\r", "\n"})
        .Expects("QUIT")
        .SaysLines({"221 bye", "250 after the end"});
    SmtpSession s;
    s.client.SetSignOn(QStringLiteral("not.for.helo"));
    ASSERT_EQ(s.Open(server.Port()), 0);
    EXPECT_EQ(s.Run([&] { s.client.Ehlo(); }), 0);
    EXPECT_EQ(s.client.LastResponse(), QStringLiteral("250 HELP"));
    EXPECT_EQ(s.Run([&] { s.client.Quit(); }), 0);
    RunEventsFor(50);
    EXPECT_EQ(s.done, 3);
    // Completion is posted: the line after the final reply is handled before it arrives.
    EXPECT_EQ(s.events.mid(s.events.size() - 3),
              QStringList({"Closed 0", "Response 250 after the end", "Done 6 0"}))
        << "the answer to QUIT closes our side";
    EXPECT_FALSE(s.doneInsideCall);
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(SmtpScript, GreetingOtherThan220ClosesWith10004) {
    FakeServer server;
    server.SaysLines({"554 go away", "220 too late"}).ExpectsClose();
    SmtpSession s;
    EXPECT_EQ(s.Open(server.Port()), WsaError::Interrupted);
    EXPECT_EQ(s.events, QStringList({"Response 554 go away", "Closed 0", "Done 0 10004"}));
    EXPECT_EQ(s.client.ErrorMessage(), QStringLiteral("554 go away"));
    EXPECT_FALSE(s.client.Connected());
    EXPECT_EQ(s.client.State(), smtpReady);
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(SmtpScript, RefusedDataSendsNoHeaderOrBody) {
    FakeServer server;
    Greeted(server)
        .Expects("MAIL FROM:<>")
        .Says("250 OK")
        .Expects("RCPT TO:<a@example.org>")
        .Says("250 OK")
        .Expects("DATA")
        .Says("554 no thanks")
        .Expects("RSET")
        .Says("250 reset");
    SmtpSession s;
    OpenWithHelo(s, server);
    SetMessage(s.client);
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), 554);
    EXPECT_EQ(s.lastType, SmtpRequest::Mail);
    EXPECT_EQ(s.client.ErrorMessage(), QStringLiteral("554 no thanks"));
    RunEventsFor(50);
    EXPECT_TRUE(server.ScriptPlayed());
    const QByteArrayList lines = server.ReceivedLines(0);
    EXPECT_EQ(lines.mid(lines.indexOf("DATA")), QByteArrayList({"DATA", "RSET"}));
}

TEST(SmtpScript, ConnectionDroppedDuringDataEndsWith10004) {
    FakeServer server;
    AwaitsText(Greeted(server)).ExpectsPrefix("From: ").Drops();
    SmtpSession s;
    OpenWithHelo(s, server);
    SetMessage(s.client, QStringList(2000, QStringLiteral("a line of the body")));
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), WsaError::Interrupted);
    EXPECT_TRUE(s.events.at(s.events.size() - 2).startsWith(QStringLiteral("Closed ")));
    EXPECT_EQ(s.events.last(), QStringLiteral("Done 9 10004"));
    EXPECT_FALSE(s.client.Connected());
    EXPECT_FALSE(s.Sent().contains(QStringLiteral("."))) << "no end of text after the drop";

    // QUIT without a connection sends nothing and completes with 0, after the call.
    const qsizetype shown = s.display.size();
    s.client.Quit();
    EXPECT_EQ(s.events.last(), QStringLiteral("Done 9 10004")) << "not inside the call";
    ASSERT_TRUE(WaitFor([&] { return s.done == 4; }));
    EXPECT_EQ(s.events.last(), QStringLiteral("Done 6 0"));
    EXPECT_EQ(s.display.size(), shown);
}

TEST(SmtpScript, DateStaysEnglishUnderAGermanLocale) {
    const QLocale saved;
    const QByteArray savedLcTime = qgetenv("LC_TIME");
    const QByteArray savedLang = qgetenv("LANG");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    qputenv("LC_TIME", "de_DE.UTF-8");
    qputenv("LANG", "de_DE.UTF-8");
    FakeServer server;
    TakesMail(Greeted(server));
    SmtpSession s;
    OpenWithHelo(s, server);
    SetMessage(s.client);
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), 0);
    QLocale::setDefault(saved);
    qputenv("LC_TIME", savedLcTime);
    qputenv("LANG", savedLang);

    const QStringList dates = s.Sent().filter(QRegularExpression("^Date: "));
    ASSERT_EQ(dates.size(), 1);
    const auto parts =
        QRegularExpression("^Date: (\\w+), (\\d+) (\\w+) (\\d{4}) ").match(dates.first());
    ASSERT_TRUE(parts.hasMatch()) << dates.first().toStdString();
    const QLocale english(QLocale::English);
    const QDate date =
        english.toDate(parts.captured(2) + " " + parts.captured(3) + " " + parts.captured(4),
                       QStringLiteral("d MMM yyyy"));
    ASSERT_TRUE(date.isValid()) << "English month name: " << parts.captured(3).toStdString();
    EXPECT_EQ(parts.captured(1), english.dayName(date.dayOfWeek(), QLocale::ShortFormat));
}

TEST(SmtpScript, LineBreaksInAddressesOrHeadersSendNothing) {
    FakeServer server;
    TakesMail(Greeted(server));
    SmtpSession s;
    OpenWithHelo(s, server);
    const struct {
        std::function<void(TSmtpCli&)> set;
        QString error;
    } cases[] = {
        {[](TSmtpCli& c) { c.SetFromName("me@example.org>\r\nRCPT TO:<x@evil.org"); },
         "SmtpException: Sender address contains a line break"},
        {[](TSmtpCli& c) {
             c.SetRcptName({"a@example.org", "b@example.org\nDATA"});
         },
         "SmtpException: Recipient address contains a line break"},
        {[](TSmtpCli& c) { c.SetHdrSubject("Hi\r\nBcc: x@evil.org"); },
         "SmtpException: Header line contains a line break: Subject"},
        {[](TSmtpCli& c) { c.SetHdrFrom("me@example.org\rX: y"); },
         "SmtpException: Header line contains a line break: From"},
        {[](TSmtpCli& c) { c.SetHdrReplyTo("me\n@example.org"); },
         "SmtpException: Header line contains a line break: Reply-To"},
        {[](TSmtpCli& c) { c.SetHdrSubject(QString(1200, u'x')); },
         "SmtpException: Header line longer than 998 characters cannot be folded: Subject"},
        {[](TSmtpCli& c) { c.SetRcptName({}); }, "SmtpException: RcptName list is empty"},
    };
    const QByteArray before = server.Received(0);
    for (const auto& c : cases) {
        SetMessage(s.client);
        s.client.SetFromName({});
        s.client.SetHdrReplyTo({});
        c.set(s.client);
        EXPECT_EQ(Raised([&] { s.client.Mail(); }), c.error);
        EXPECT_EQ(s.client.State(), smtpReady);
    }
    s.client.SetSignOn(QStringLiteral("host\r\nMAIL FROM:<x>"));
    EXPECT_EQ(Raised([&] { s.client.Helo(); }),
              QStringLiteral("SmtpException: HELO name contains a line break"));
    RunEventsFor(50);
    EXPECT_EQ(server.Received(0), before) << "nothing went on the wire";
    EXPECT_EQ(s.done, 2) << "and no request was started";

    // A folded long subject and the next good message still go through.
    SetMessage(s.client);
    s.client.SetHdrSubject(QStringList(300, QStringLiteral("word")).join(u' '));
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), 0) << server.Dialogue().toStdString();
    QByteArrayList subject;
    for (const QByteArray& line : server.Received(0).split('\n')) {
        if (line.contains("word")) {
            subject.append(line);
        }
    }
    EXPECT_EQ(subject.size(), 2);
    EXPECT_TRUE(subject.at(1).startsWith(" word"));
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(SmtpScript, LongBodyLinesAreSplitNotCut) {
    FakeServer server;
    TakesMail(TakesMail(Greeted(server)));
    SmtpSession s;
    OpenWithHelo(s, server);
    const QString words = QStringList(500, QStringLiteral("word")).join(u' '); // 2,499
    const QString solid = QStringLiteral(".") + QString(2999, u'x');           // 3,000
    for (const QString& line : {words, solid}) {
        const int connection = 0;
        const QByteArray before = server.Received(connection);
        SetMessage(s.client, {line, QStringLiteral("next")});
        ASSERT_EQ(s.Run([&] { s.client.Mail(); }), 0) << server.Dialogue().toStdString();
        RunEventsFor(20);
        const QByteArray received = server.Received(connection).mid(before.size());
        for (const QByteArray& wire : received.split('\n')) {
            EXPECT_LE(wire.size() + 1, 1000) << "a wire line over the SMTP limit";
        }
        QByteArrayList body = BodyOnWire(received);
        ASSERT_GE(body.size(), 3);
        EXPECT_EQ(body.takeLast(), "next");
        QByteArray joined;
        for (QByteArray piece : body) {
            piece.chop(1); // CR
            joined += piece.startsWith('.') ? piece.mid(1) : piece;
        }
        EXPECT_EQ(joined, line.toLatin1()) << "the pieces give the line back";
    }
}

TEST(SmtpScript, HandlersExtendTheMessageButCannotBreakHeaderLines) {
    FakeServer server;
    TakesMail(Greeted(server))
        .Expects("MAIL FROM:<>")
        .Says("250 OK")
        .Expects("RCPT TO:<a@example.org>")
        .Says("250 OK")
        .Expects("RSET")
        .Says("250 reset");
    SmtpSession s;
    OpenWithHelo(s, server);
    bool breakSubject = false;
    QObject::connect(&s.client, &TCustomSmtpClient::OnProcessHeader,
                     [&](TCustomSmtpClient*, QStringList* lines) { lines->append("X-Test: 1"); });
    QObject::connect(&s.client, &TCustomSmtpClient::OnHeaderLine,
                     [&](TCustomSmtpClient*, QString* line, int size) {
                         EXPECT_EQ(size, 1024);
                         if (breakSubject && line->startsWith(QStringLiteral("Subject: "))) {
                             *line += QStringLiteral("\r\nBcc: x@evil.org");
                         }
                     });
    QObject::connect(&s.client, &TCustomSmtpClient::OnGetData,
                     [&](TCustomSmtpClient*, int lineNum, QString* line, int, bool* more) {
                         *more = lineNum <= 3;
                         *line = QStringLiteral("asked %1\n.").arg(lineNum);
                     });
    SetMessage(s.client, {QStringLiteral("first")});
    ASSERT_EQ(s.Run([&] { s.client.Mail(); }), 0);
    const QStringList sent = s.Sent();
    const qsizetype date = sent.indexOf(QRegularExpression("Date: .*"));
    ASSERT_GE(date, 0);
    EXPECT_EQ(sent.mid(date + 1),
              QStringList({"X-Test: 1", "", "first", "asked 2", "..", "asked 3", "..", "."}));

    breakSubject = true;
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), ProtocolErrorCode);
    EXPECT_EQ(s.client.ErrorMessage(),
              QStringLiteral("500 Header line contains a line break: Subject"));
    RunEventsFor(50);
    EXPECT_TRUE(server.ScriptPlayed());
    EXPECT_FALSE(server.Received(0).contains("evil"));
}

TEST(SmtpScript, OdditiesOfTheServerAndTheCaller) {
    FakeServer server;
    AwaitsText(Greeted(server))
        .ExpectsLinesUntil(".")
        .Says("no code at all")
        .ExpectsPrefix("EHLO ")
        .SaysRaw(QByteArray(5000, 'x'))
        .ExpectsClose();
    SmtpSession s;
    EXPECT_EQ(Raised([&] { s.client.Helo(); }),
              QStringLiteral("SmtpException: SMTP component not connected"));
    OpenWithHelo(s, server);
    EXPECT_EQ(Raised([&] { s.client.Connect(); }),
              QStringLiteral("SmtpException: SMTP component already connected"));

    // Nothing may start while the text of a message goes out.
    QStringList refused;
    QObject::connect(
        &s.client, &TCustomSmtpClient::OnDisplay, [&](TCustomSmtpClient*, const QString& line) {
            if (line.startsWith(QStringLiteral("> From: "))) {
                refused << Raised([&] { s.client.Helo(); }) << Raised([&] { s.client.Quit(); });
            }
        });
    SetMessage(s.client);
    // A reply without a code is a failure, never the 0 of success.
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), ProtocolErrorCode);
    EXPECT_EQ(refused, QStringList(2, "SmtpException: SMTP component not ready"));
    EXPECT_EQ(s.client.ErrorMessage(), QStringLiteral("no code at all"));

    // A reply line that cannot fit the receive buffer fails at once and closes.
    EXPECT_EQ(s.Run([&] { s.client.Helo(); }), LineReceiver::LineTooLongError);
    EXPECT_EQ(s.client.ErrorMessage(), LineReceiver::LineTooLongMessage());
    EXPECT_TRUE(WaitFor([&] { return !s.client.Connected(); }));
    EXPECT_TRUE(server.ScriptPlayed());
}

TEST(SmtpScript, AbortAndFailedConnects) {
    SmtpSession s;
    s.client.Abort();
    RunEventsFor(30);
    EXPECT_TRUE(s.events.isEmpty()) << "an idle abort fires nothing";

    s.client.SetHost({});
    EXPECT_EQ(Raised([&] { s.client.Connect(); }),
              QStringLiteral("ESocketException: DNS lookup: invalid host name."));
    EXPECT_EQ(s.client.State(), smtpReady);

    EXPECT_EQ(s.Open(FreeLoopbackPort()), WsaError::ConnectionRefused);
    EXPECT_EQ(s.client.LastResponse(),
              QStringLiteral("500 Connection refused (Winsock error #10061)"));
    EXPECT_FALSE(s.events.contains(QStringLiteral("Connected 0")));

    FakeServer server;
    server.Says("220 fake").Expects("EHLO sievra.example").Says("250 hello").StaysSilent();
    s.client.SetSignOn(QStringLiteral("sievra.example"));
    OpenWithHelo(s, server);
    s.events.clear();
    s.client.Helo();
    EXPECT_EQ(Raised([&] { s.client.Helo(); }),
              QStringLiteral("SmtpException: SMTP component not ready"));
    EXPECT_EQ(s.Run([&] { s.client.Abort(); }), WsaError::Interrupted);
    EXPECT_EQ(s.events, QStringList({"Closed 0", "Done 1 10004"}));
    EXPECT_EQ(s.client.State(), smtpReady);
    EXPECT_FALSE(s.client.Connected());
}

// A strict server refuses a bare host name: the greeting carries a dotted name or the address
// literal of our end, and HELO follows only when EHLO itself is refused.
TEST(SmtpScript, EhloWithAFullNameAndHeloOnlyWhenEhloIsRefused) {
    const auto fullName = [](const QByteArray& line) {
        const QByteArray name = line.mid(5);
        return line.startsWith("EHLO ") && (name.contains('.') || name == "[127.0.0.1]");
    };
    FakeServer server;
    server.Says("220 strict")
        .Expects(fullName, "EHLO with a full name")
        .Says("502 5.5.1 EHLO not here")
        .ExpectsPrefix("HELO ")
        .Says("250 old school")
        .Expects("QUIT")
        .Says("221 bye")
        .ExpectsClose(); // the server waits for our close
    SmtpSession s;
    ASSERT_EQ(s.Open(server.Port()), 0);
    EXPECT_EQ(s.Run([&] { s.client.Helo(); }), 0) << server.Dialogue().toStdString();
    EXPECT_EQ(s.Sent().at(1), "HELO " + s.Sent().at(0).mid(5)) << "the same name twice";
    EXPECT_FALSE(s.client.Extensions().EightBitMime);
    EXPECT_EQ(s.Run([&] { s.client.Quit(); }), 0);
    EXPECT_TRUE(WaitFor([&] { return server.ClientClosed(0); }));
    EXPECT_TRUE(server.ScriptPlayed());
}

// Without 8BITMIME the text goes quoted-printable; without SMTPUTF8 a non-ASCII address never
// goes out; with both, MAIL FROM says what follows.
TEST(SmtpScript, TheMessageFollowsWhatTheServerOffers) {
    FakeServer server;
    Greeted(server)
        .Expects("MAIL FROM:<>")
        .Says("250 OK")
        .ExpectsPrefix("RCPT TO:")
        .Says("250 OK")
        .Expects("DATA")
        .Says("354 go ahead")
        .ExpectsLinesUntil(".")
        .Says("250 queued")
        .ExpectsPrefix("EHLO ")
        .SaysLines({"250-fake", "250-8BITMIME", "250 SMTPUTF8"})
        .Expects("MAIL FROM:<> BODY=8BITMIME SMTPUTF8")
        .Says("250 OK")
        .Expects("RCPT TO:<j\xc3\xbcrgen@example.org>")
        .Says("250 OK")
        .Expects("DATA")
        .Says("354 go ahead")
        .ExpectsLinesUntil(".")
        .Says("250 queued");
    SmtpSession s;
    OpenWithHelo(s, server);
    SetMessage(s.client, {QStringLiteral("Grüße, 5 €")});
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), 0) << server.Dialogue().toStdString();
    const QByteArray plain = server.Received(0);
    EXPECT_TRUE(plain.contains("Content-Type: text/plain; charset=\"utf-8\"\r\n"
                               "Content-Transfer-Encoding: quoted-printable\r\n"));
    EXPECT_TRUE(plain.contains("\r\n\r\nGr=C3=BC=C3=9Fe, 5 =E2=82=AC\r\n.\r\n"));
    s.client.SetRcptName({QStringLiteral("jürgen@example.org")});
    EXPECT_EQ(Raised([&] { s.client.Mail(); }),
              "SmtpException: Address is not ASCII and the server does not offer SMTPUTF8");

    EXPECT_EQ(s.Run([&] { s.client.Helo(); }), 0);
    EXPECT_TRUE(s.client.Extensions().SmtpUtf8);
    EXPECT_EQ(s.Run([&] { s.client.Mail(); }), 0) << server.Dialogue().toStdString();
    EXPECT_TRUE(server.Received(0)
                    .mid(plain.size())
                    .contains("\r\nGr\xc3\xbc\xc3\x9f"
                              "e, 5 \xe2\x82\xac\r\n"));
    EXPECT_TRUE(server.ScriptPlayed());
}

// With PIPELINING the group's replies are weighed as one step at a time would weigh them: the
// sender's refusal decides over the 503s after it, the last recipient over DATA, and a 354 that
// comes although no recipient was taken gets a lone "." and not the text.
TEST(SmtpScript, PipelinedGroupsEndAsStepByStepDialoguesDo) {
    const struct {
        QByteArrayList rcpts;
        QByteArrayList replies; // to MAIL FROM, each RCPT TO and, with one recipient, DATA
        QByteArrayList after;   // what the client sends once the group's replies are in
        QByteArray reply;       // the step after, when there is one
        quint16 error;
        QString serverReply;
        bool recipientRefused;
    } cases[] = {
        {{"a"},
         {"553 5.1.7 bad sender", "503 5.5.1 need MAIL", "503 5.5.1 need RCPT"},
         {},
         {},
         553,
         "553 5.1.7 bad sender",
         false},
        {{"a"},
         {"250 OK", "550 5.1.1 gone", "354 go ahead anyway"},
         {"."},
         "250 nothing",
         550,
         "550 5.1.1 gone",
         true},
        {{"a"},
         {"250 OK", "250 OK", "554 5.3.0 no"},
         {"RSET"},
         "250 reset",
         554,
         "554 5.3.0 no",
         false},
        {{"a", "b"},
         {"250 OK", "550 5.1.1 gone", "251 will forward"},
         {"DATA"},
         "354 go",
         0,
         "550 5.1.1 gone",
         false},
        {{"a", "b"},
         {"250 OK", "250 OK", "452 4.2.2 full"},
         {"RSET"},
         "250 reset",
         452,
         "452 4.2.2 full",
         true},
    };
    for (const auto& c : cases) {
        FakeServer server;
        GreetedPipelining(server);
        // Every command of the group arrives before the first reply goes out.
        server.Expects("MAIL FROM:<>");
        for (const QByteArray& rcpt : c.rcpts) {
            server.Expects("RCPT TO:<" + rcpt + "@example.org>");
        }
        if (c.rcpts.size() == 1) {
            server.Expects("DATA");
        }
        server.SaysLines(c.replies);
        for (const QByteArray& line : c.after) {
            server.Expects(line);
        }
        if (!c.reply.isEmpty()) {
            server.Says(c.reply);
        }
        if (c.after == QByteArrayList{"DATA"}) {
            server.ExpectsLinesUntil(".").Says("250 queued");
        }
        SmtpSession s;
        OpenWithHelo(s, server);
        SetMessage(s.client);
        QStringList rcpts;
        for (const QByteArray& rcpt : c.rcpts) {
            rcpts.append(QString::fromLatin1(rcpt + "@example.org"));
        }
        s.client.SetRcptName(rcpts);
        const QString label = c.replies.join(" / ");
        EXPECT_EQ(s.Run([&] { s.client.Mail(); }), c.error) << server.Dialogue().toStdString();
        EXPECT_EQ(s.client.ServerReply(), c.serverReply) << label.toStdString();
        EXPECT_EQ(s.client.RecipientRefused(), c.recipientRefused) << label.toStdString();
        RunEventsFor(50);
        EXPECT_TRUE(server.ScriptPlayed()) << server.Dialogue().toStdString();
        const QByteArrayList lines = server.ReceivedLines(0);
        const qsizetype groupEnd =
            lines.indexOf(c.rcpts.size() == 1 ? "DATA" : "RCPT TO:<b@example.org>");
        ASSERT_GE(groupEnd, 0);
        EXPECT_EQ(lines.mid(groupEnd + 1, c.after.isEmpty() ? -1 : c.after.size()), c.after)
            << label.toStdString();
        if (c.after.isEmpty() || c.after == QByteArrayList{"."}) {
            EXPECT_FALSE(lines.contains("Hello")) << "no line of the text";
        }
        EXPECT_EQ(s.client.State(), smtpReady);
    }
}

// The next message's group rides behind the "." of the one before: the server answers nothing
// until it has both. Each message is still reported alone, and one the caller gives up (a
// temporary refusal before it stops the phase) gets no line of its text.
TEST(SmtpScript, AFollowingMessageRidesBehindTheEndOfDataAndEndsAlone) {
    const struct {
        QByteArrayList replies; // to the first ".", then the second's MAIL FROM, RCPT TO, DATA
        QByteArray after;       // what the client sends next: its text, RSET, or nothing
        QByteArray reply;
        quint16 first;
        std::optional<quint16> second; // nothing: the caller aborts instead of sending it
    } cases[] = {
        {{"250 queued", "250 OK", "250 OK", "354 go"}, "Hello", "250 queued", 0, 0},
        {{"250 queued", "250 OK", "550 5.1.1 gone", "554 no valid recipients"},
         "RSET",
         "250 reset",
         0,
         550},
        {{"452 4.3.1 full", "250 OK", "250 OK", "354 go"}, {}, {}, 452, std::nullopt},
    };
    for (const auto& c : cases) {
        FakeServer server;
        GreetedPipelining(server);
        server.Expects("MAIL FROM:<>").Expects("RCPT TO:<a@example.org>").Expects("DATA");
        server.SaysLines({"250 OK", "250 OK", "354 go"}).ExpectsLinesUntil(".");
        server.Expects("MAIL FROM:<>").Expects("RCPT TO:<b@example.org>").Expects("DATA");
        server.SaysLines(c.replies);
        if (c.after == "Hello") {
            server.ExpectsLinesUntil(".").Says(c.reply);
        } else if (!c.after.isEmpty()) {
            server.Expects(c.after).Says(c.reply);
        } else {
            server.ExpectsClose();
        }
        SmtpSession s;
        OpenWithHelo(s, server);
        SetMessage(s.client);
        int asked = 0;
        QObject::connect(&s.client, &TCustomSmtpClient::OnMailFollows, [&](auto*, bool* follows) {
            if (asked++ == 0) {
                s.client.SetRcptName({QStringLiteral("b@example.org")});
                *follows = true;
            }
        });
        const QString label = c.replies.join(" / ");
        EXPECT_EQ(s.Run([&] { s.client.Mail(); }), c.first) << server.Dialogue().toStdString();
        if (c.second) {
            EXPECT_EQ(s.Run([&] { s.client.Mail(); }), *c.second) << label.toStdString();
            EXPECT_EQ(s.client.RecipientRefused(), *c.second == 550);
        } else {
            EXPECT_NE(s.client.State(), smtpReady) << "the second message is on its way";
            s.client.Abort();
        }
        RunEventsFor(50);
        EXPECT_TRUE(server.ScriptPlayed()) << server.Dialogue().toStdString();
        EXPECT_EQ(server.ReceivedLines(0).count("Hello"), c.after == "Hello" ? 2 : 1)
            << label.toStdString();
        EXPECT_EQ(s.client.State(), smtpReady);
    }
}

} // namespace

TEST(SmtpScript, RawMessageGoesOutUnchangedButForStuffingAndLineEnds) {
    FakeServer server;
    server.Says("220 fake ESMTP")
        .ExpectsPrefix("EHLO ")
        .SaysLines({"250-fake", "250 8BITMIME"})
        .Expects("MAIL FROM:<> BODY=8BITMIME")
        .Says("250 OK")
        .Expects("RCPT TO:<a@example.org>")
        .Says("250 OK")
        .Expects("DATA")
        .Says("354 go ahead")
        .ExpectsLinesUntil(".")
        .Says("250 queued")
        .Expects("MAIL FROM:<>")
        .Says("250 OK")
        .Expects("RCPT TO:<a@example.org>")
        .Says("550 no such user")
        .Expects("RSET")
        .Says("250 OK");
    SmtpSession s;
    OpenWithHelo(s, server);
    s.client.SetRcptName({QStringLiteral("a@example.org")});
    const QByteArray message = "Subject: =?utf-8?q?Gr=C3=BC=C3=9Fe?=\n"
                               "X-Long: " +
                               QByteArray(1200, 'y') +
                               "\r\n"
                               "\n"
                               ".\n"
                               "..two\r\n"
                               "Gr\xc3\xbc\xc3\x9f"
                               "e\tno end";
    ASSERT_EQ(s.Run([&] { s.client.MailRaw(message); }), 0) << server.Dialogue().toStdString();
    const QByteArray received = server.Received(0);
    EXPECT_TRUE(received.endsWith("DATA\r\n"
                                  "Subject: =?utf-8?q?Gr=C3=BC=C3=9Fe?=\r\n"
                                  "X-Long: " +
                                  QByteArray(1200, 'y') +
                                  "\r\n"
                                  "\r\n"
                                  "..\r\n"
                                  "...two\r\n"
                                  "Gr\xc3\xbc\xc3\x9f"
                                  "e\tno end\r\n"
                                  ".\r\n"))
        << "no header of the client's own, no re-encoding, no folding";
    // A plain message without 8-bit bytes names no body type; a refusal is reported after RSET.
    EXPECT_EQ(s.Run([&] { s.client.MailRaw("Subject: x\n\nbody\n"); }), 550);
    EXPECT_TRUE(s.client.RecipientRefused());
    EXPECT_TRUE(server.ScriptPlayed());
}
