// The SMTP client over TLS and STARTTLS: against aiosmtpd servers that refuse AUTH until TLS
// is on, and against a scripted server for the refusals.
#include "SmtpSession.h"
#include "net/SocketError.h"
#include "net/TlsTrust.h"
#include "tests/support/FakeServer.h"
#include "tests/support/SmtpSink.h"
#include "tests/support/TlsLogoutServer.h"
#include "tests/support/TlsPeers.h"

#include <gtest/gtest.h>
#include <memory>

using namespace sievra;
using namespace sievra::test;

namespace {

class SmtpTls : public testing::Test {
protected:
    static void SetUpTestSuite() {
        SmtpSinkOptions options;
        options.AuthUser = QStringLiteral("bob");
        options.AuthPassword = QStringLiteral("bobpw");
        options.AuthRequiresTls = true;
        options.TlsCert = TlsPeers().Localhost().Cert;
        options.TlsKey = TlsPeers().Localhost().Key;
        startTls = std::make_unique<SmtpSink>(options);
        // aiosmtpd counts only STARTTLS as TLS for its AUTH rule; on a TLS port every byte is
        // encrypted anyway.
        options.AuthRequiresTls = false;
        options.ImplicitTls = true;
        implicitTls = std::make_unique<SmtpSink>(options);
        options.TlsCert = TlsPeers().Expired().Cert;
        options.TlsKey = TlsPeers().Expired().Key;
        expired = std::make_unique<SmtpSink>(options);
    }
    static void TearDownTestSuite() {
        startTls.reset();
        implicitTls.reset();
        expired.reset();
    }
    void SetUp() override { SetAdditionalCaCertificates(TlsPeers().Authority()); }
    void TearDown() override { SetAdditionalCaCertificates({}); }

    static std::optional<quint16> Open(SmtpSession& s, const QString& host, quint16 port,
                                       ConnectionSecurity security) {
        s.client.SetHost(host);
        s.client.SetPort(QString::number(port));
        s.client.SetSecurity(security);
        s.client.SetUser(QStringLiteral("bob"));
        s.client.SetPassword(QStringLiteral("bobpw"));
        return s.Run([&] { s.client.Connect(); });
    }

    // EHLO, the three AUTH LOGIN steps with the codes the engine accepts, one mail, QUIT.
    static void AuthenticateAndMail(SmtpSession& s, SmtpSink& sink) {
        ASSERT_EQ(s.Run([&] { s.client.Ehlo(); }), 0);
        ASSERT_EQ(s.Run([&] { s.client.AuthLogin(); }), 334)
            << s.client.LastResponse().toStdString();
        ASSERT_EQ(s.Run([&] { s.client.AuthUser(); }), 334);
        ASSERT_EQ(s.Run([&] { s.client.AuthPass(); }), 235);
        s.client.SetRcptName({QStringLiteral("you@example.org")});
        s.client.SetHdrTo(QStringLiteral("you@example.org"));
        s.client.SetHdrFrom(QStringLiteral("me@example.org"));
        s.client.SetHdrSubject(QStringLiteral("over TLS"));
        s.client.SetMailMessage({QStringLiteral("Hello")});
        const qsizetype before = sink.Messages().size();
        ASSERT_EQ(s.Run([&] { s.client.Mail(); }), 0) << s.client.ErrorMessage().toStdString();
        ASSERT_EQ(s.Run([&] { s.client.Quit(); }), 0);
        ASSERT_TRUE(sink.WaitForMessages(static_cast<int>(before) + 1));
        EXPECT_EQ(sink.Messages().last().AuthLogin, "bob");
    }

    static std::unique_ptr<SmtpSink> startTls;
    static std::unique_ptr<SmtpSink> implicitTls;
    static std::unique_ptr<SmtpSink> expired;
};

std::unique_ptr<SmtpSink> SmtpTls::startTls;
std::unique_ptr<SmtpSink> SmtpTls::implicitTls;
std::unique_ptr<SmtpSink> SmtpTls::expired;

TEST_F(SmtpTls, StartTlsComesBeforeTheSessionAndAuthLoginFollowsInside) {
    SmtpSession s;
    ASSERT_EQ(Open(s, "localhost", startTls->Port(), ConnectionSecurity::StartTls), 0)
        << s.client.ErrorMessage().toStdString();
    EXPECT_TRUE(s.client.Encrypted());
    const QStringList sent = s.Sent();
    ASSERT_EQ(sent.size(), 2);
    EXPECT_TRUE(sent[0].startsWith("EHLO "));
    EXPECT_EQ(sent[1], "STARTTLS");
    EXPECT_EQ(s.events.filter("Connected").size(), 1);
    // The server refuses AUTH in clear (538), so success here is proof it ran inside TLS.
    AuthenticateAndMail(s, *startTls);
}

TEST_F(SmtpTls, TlsFromTheFirstByteCarriesAuthAndMail) {
    SmtpSession s;
    ASSERT_EQ(Open(s, "localhost", implicitTls->Port(), ConnectionSecurity::Tls), 0)
        << s.client.ErrorMessage().toStdString();
    EXPECT_TRUE(s.client.Encrypted());
    EXPECT_TRUE(s.Sent().isEmpty());
    AuthenticateAndMail(s, *implicitTls);
}

TEST_F(SmtpTls, RefusedCertificatesNameTheirReason) {
    struct Case {
        const char* host;
        SmtpSink* sink;
        ConnectionSecurity security;
        QString reason;
        QString cert;
    };
    const Case cases[] = {
        {"localhost", expired.get(), ConnectionSecurity::Tls, "TLS: the certificate has expired",
         TlsPeers().Expired().Cert},
        {"127.0.0.1", implicitTls.get(), ConnectionSecurity::Tls,
         "TLS: the certificate's host name does not match 127.0.0.1", TlsPeers().Localhost().Cert},
        {"127.0.0.1", startTls.get(), ConnectionSecurity::StartTls,
         "TLS: the certificate's host name does not match 127.0.0.1", TlsPeers().Localhost().Cert},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason.toStdString());
        SmtpSession s;
        EXPECT_EQ(Open(s, c.host, c.sink->Port(), c.security), TlsErrorCode);
        const QString reason = c.reason + " (SHA-256 " +
                               CertificateFingerprint(QSslCertificate::fromPath(c.cert).value(0)) +
                               ")";
        EXPECT_EQ(s.client.TlsError(), reason);
        EXPECT_EQ(s.client.ErrorMessage(), "500 " + reason);
        EXPECT_FALSE(s.client.Connected());
        EXPECT_TRUE(s.events.filter("Connected").isEmpty());
        EXPECT_EQ(s.client.State(), smtpReady);
    }
}

// ---- Servers that will not switch: no fallback to clear text, no AUTH.

TEST(SmtpTlsScript, StartTlsNotOfferedOrRefusedEndsTheConnect) {
    struct Case {
        QByteArrayList ehloReply;
        bool startTlsSent;
        QString reason;
    };
    const Case cases[] = {
        {{"250-fake", "250 AUTH LOGIN"}, false, "TLS: the server does not offer STARTTLS"},
        {{"502 what?"}, false, "TLS: the server refused EHLO (502 what?)"},
        {{"250-fake", "250 starttls"},
         true,
         "TLS: the server refused STARTTLS (454 4.7.0 TLS not available)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason.toStdString());
        FakeServer server;
        server.Says("220 fake ESMTP").ExpectsPrefix("EHLO ").SaysLines(c.ehloReply);
        if (c.startTlsSent) {
            server.Expects("STARTTLS").Says("454 4.7.0 TLS not available");
        }
        server.Expects("QUIT").ExpectsClose();
        SmtpSession s;
        s.client.SetHost(QStringLiteral("localhost"));
        s.client.SetPort(server.PortText());
        s.client.SetSecurity(ConnectionSecurity::StartTls);
        s.client.SetUser(QStringLiteral("bob"));
        s.client.SetPassword(QStringLiteral("secret"));
        EXPECT_EQ(s.Run([&] { s.client.Connect(); }), TlsErrorCode);
        EXPECT_EQ(s.client.TlsError(), c.reason);
        EXPECT_EQ(s.client.LastResponse(), "500 " + c.reason);
        EXPECT_TRUE(s.events.filter("Connected").isEmpty());
        ASSERT_TRUE(WaitFor([&] { return server.ClientClosed(0); }));
        EXPECT_TRUE(server.ScriptPlayed());
        EXPECT_FALSE(server.Received().contains("AUTH"));
        // Later commands find no session to go out on.
        EXPECT_THROW(s.client.AuthLogin(), SmtpException);
    }
}

// After "221" the server sends its close notice and waits: our side closes, no stall.
TEST(SmtpTlsScript, QuitEndsAtTheAnswerWhenTheServerWaitsForOurClose) {
    SetAdditionalCaCertificates(TlsPeers().Authority());
    TlsLogoutServer server(QStringLiteral("smtp"));
    SmtpSession s;
    s.client.SetHost(QStringLiteral("localhost"));
    s.client.SetPort(QString::number(server.Port()));
    s.client.SetSecurity(ConnectionSecurity::Tls);
    EXPECT_EQ(s.Run([&] { s.client.Connect(); }), 0);
    EXPECT_EQ(s.Run([&] { s.client.Ehlo(); }), 0);
    EXPECT_EQ(s.Run([&] { s.client.Quit(); }), 0);
    EXPECT_TRUE(WaitFor([&] { return !s.client.Connected(); }));
    // Our close notice goes out unless the server's arrived first (then Qt ends TLS without
    // one); either way the server is not left waiting.
    const QByteArray outcome = server.Outcome();
    EXPECT_TRUE(outcome == "CLOSE_NOTIFY" || outcome == "EOF") << outcome.toStdString();
    SetAdditionalCaCertificates({});
}

} // namespace
