// The POP3 client over TLS: against dovecot with a certificate from the test's own authority,
// and against a scripted server for the failures that must never leak a password.
#include "Pop3Events.h"
#include "net/SocketError.h"
#include "net/TPop3Cli.h"
#include "net/TlsTrust.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/FakeServer.h"
#include "tests/support/TestHome.h"
#include "tests/support/TlsLogoutServer.h"
#include "tests/support/TlsPeers.h"
#include "tests/support/WaitFor.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace sievra;
using namespace sievra::test;

namespace {

const QList<QByteArray> Mailbox = {"From: ann@x.org\nSubject: keep\n\nbody 1\n",
                                   "From: spam@y.org\nSubject: buy\n\nbody 2\n"};

class Pop3Tls : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const TestCertificates::Files files = TlsPeers().Localhost();
        server_ = std::make_unique<DovecotServer>(files.Cert, files.Key);
    }
    static void TearDownTestSuite() { server_.reset(); }
    void SetUp() override { SetAdditionalCaCertificates(TlsPeers().Authority()); }
    void TearDown() override { SetAdditionalCaCertificates({}); }

    static void PointAt(TPop3Cli& client, const QString& host, quint16 port,
                        ConnectionSecurity security, const QString& user) {
        client.SetHost(host);
        client.SetPort(QString::number(port));
        client.SetSecurity(security);
        client.SetUserName(user);
        client.SetPassWord(user + "pw");
    }

    // Logs in, deletes message 2 and quits over the session Connect opened.
    static void LoginDeleteQuit(TPop3Cli& client, Pop3Events& events) {
        ASSERT_EQ(events.Run([&] { client.User(); }), 0);
        ASSERT_EQ(events.Run([&] { client.Pass(); }), 0) << server_->Log().toStdString();
        ASSERT_EQ(events.Run([&] { client.Stat(); }), 0);
        EXPECT_EQ(client.MsgCount(), 2);
        client.SetMsgNum(2);
        client.SetMsgLines(0);
        ASSERT_EQ(events.Run([&] { client.Top(); }), 0);
        EXPECT_TRUE(events.MessageLines().contains("Subject: buy"));
        ASSERT_EQ(events.Run([&] { client.Dele(); }), 0);
        ASSERT_EQ(events.Run([&] { client.Quit(); }), 0);
    }

    // dovecot's own word that the login of `user` came over TLS.
    static bool LoggedInOverTls(const QString& user) {
        for (const QString& line : server_->Log().split('\n')) {
            if (line.contains("Login: user=<" + user + ">")) {
                return line.contains(", TLS");
            }
        }
        return false;
    }

    // How a refusal names the server's certificate, so the user can compare or pin it.
    static QString Fingerprint() {
        return CertificateFingerprint(
            QSslCertificate::fromPath(TlsPeers().Localhost().Cert).value(0));
    }

    static std::unique_ptr<DovecotServer> server_;
};

std::unique_ptr<DovecotServer> Pop3Tls::server_;

TEST_F(Pop3Tls, TlsFromTheFirstByteCarriesAWholeSession) {
    server_->AddUser("tina", "tinapw");
    server_->AddMessages("tina", Mailbox);
    TPop3Cli client;
    Pop3Events events(client);
    PointAt(client, "localhost", server_->Pop3sPort(), ConnectionSecurity::Tls, "tina");
    ASSERT_EQ(events.Run([&] { client.Connect(); }), 0) << client.ErrorMessage().toStdString();
    EXPECT_TRUE(client.Encrypted());
    EXPECT_EQ(events.Entries("SessionConnected"), QStringList({"SessionConnected 0"}));
    LoginDeleteQuit(client, events);
    EXPECT_EQ(server_->Messages("tina"), QList<QByteArray>({Mailbox[0]}));
    EXPECT_TRUE(LoggedInOverTls("tina")) << server_->Log().toStdString();
}

TEST_F(Pop3Tls, StlsSwitchesToTlsBeforeTheLogin) {
    server_->AddUser("stella", "stellapw");
    server_->AddMessages("stella", Mailbox);
    TPop3Cli client;
    Pop3Events events(client);
    PointAt(client, "localhost", server_->Pop3Port(), ConnectionSecurity::StartTls, "stella");
    ASSERT_EQ(events.Run([&] { client.Connect(); }), 0) << client.ErrorMessage().toStdString();
    EXPECT_TRUE(client.Encrypted());
    ASSERT_GE(events.displays.size(), 3);
    EXPECT_TRUE(events.displays[0].startsWith("< +OK"));
    EXPECT_EQ(events.displays[1], "> STLS");
    EXPECT_TRUE(events.displays[2].startsWith("< +OK")) << events.displays[2].toStdString();
    EXPECT_EQ(client.ProtocolState(), pop3WaitingUser);
    LoginDeleteQuit(client, events);
    EXPECT_EQ(server_->Messages("stella"), QList<QByteArray>({Mailbox[0]}));
    EXPECT_TRUE(LoggedInOverTls("stella")) << server_->Log().toStdString();
}

// The certificate names "localhost"; an address is another name, whatever it resolves to.
TEST_F(Pop3Tls, ACertificateForAnotherNameIsRefusedEitherWay) {
    for (const auto& [security, port] :
         {std::pair{ConnectionSecurity::Tls, server_->Pop3sPort()},
          std::pair{ConnectionSecurity::StartTls, server_->Pop3Port()}}) {
        SCOPED_TRACE(SecurityName(security).toStdString());
        TPop3Cli client;
        Pop3Events events(client);
        PointAt(client, "127.0.0.1", port, security, "nobody");
        EXPECT_EQ(events.Run([&] { client.Connect(); }), TlsErrorCode);
        EXPECT_EQ(client.TlsError(), "TLS: the certificate's host name does not match 127.0.0.1 "
                                     "(SHA-256 " +
                                         Fingerprint() + ")");
        EXPECT_EQ(client.ErrorMessage(), "-ERR " + client.TlsError());
        EXPECT_EQ(client.LastResponse(), client.ErrorMessage());
        EXPECT_FALSE(client.Connected());
        EXPECT_TRUE(events.Entries("SessionConnected").isEmpty());
        EXPECT_EQ(client.State(), pop3Ready);
        // Nothing of the session may follow.
        EXPECT_EQ(events.Call([&] { client.User(); }),
                  "Pop3Exception: POP3 component not connected");
    }
}

TEST_F(Pop3Tls, AnAuthorityNobodyTrustsIsRefusedWithItsReason) {
    SetAdditionalCaCertificates({});
    TPop3Cli client;
    Pop3Events events(client);
    PointAt(client, "localhost", server_->Pop3sPort(), ConnectionSecurity::Tls, "nobody");
    EXPECT_EQ(events.Run([&] { client.Connect(); }), TlsErrorCode);
    EXPECT_EQ(client.ErrorMessage(),
              "-ERR TLS: the certificate is not trusted (SHA-256 " + Fingerprint() + ")");

    // Trusted again, the same client connects: the refusal left nothing behind.
    SetAdditionalCaCertificates(TlsPeers().Authority());
    EXPECT_EQ(events.Run([&] { client.Connect(); }), 0) << client.ErrorMessage().toStdString();
    EXPECT_TRUE(client.TlsError().isEmpty());
    client.Abort();
}

// A pin accepts exactly the certificate the user trusted, and nothing else that fails; the
// environment's authorities are trusted as OpenSSL trusts them.
TEST_F(Pop3Tls, APinnedCertificateAndTheEnvironmentsAuthorityAreTrusted) {
    SetAdditionalCaCertificates({});
    server_->AddUser("pia", "piapw");
    TPop3Cli client;
    Pop3Events events(client);
    PointAt(client, "localhost", server_->Pop3Port(), ConnectionSecurity::StartTls, "pia");
    ASSERT_EQ(events.Run([&] { client.Connect(); }), TlsErrorCode);
    EXPECT_EQ(CertificateFingerprint(client.RefusedCertificate()), Fingerprint());

    client.SetPinnedCertificate(NormalFingerprint(QString(64, 'b')));
    EXPECT_EQ(events.Run([&] { client.Connect(); }), TlsErrorCode) << "another pin";
    EXPECT_TRUE(client.TlsError().endsWith("(SHA-256 " + Fingerprint() + ")"));

    client.SetPinnedCertificate(Fingerprint());
    ASSERT_EQ(events.Run([&] { client.Connect(); }), 0) << client.ErrorMessage().toStdString();
    EXPECT_TRUE(client.Encrypted());
    EXPECT_TRUE(client.RefusedCertificate().isNull());
    ASSERT_EQ(events.Run([&] { client.User(); }), 0);
    ASSERT_EQ(events.Run([&] { client.Pass(); }), 0);
    client.Abort();

    client.SetPinnedCertificate({});
    QTemporaryDir dir;
    const QString authority = dir.filePath("ca.pem");
    test::WriteTestFile(authority, TlsPeers().Authority().first().toPem());
    qputenv("SSL_CERT_FILE", authority.toLocal8Bit());
    qputenv("SSL_CERT_DIR", dir.path().toLocal8Bit()); // instead of the system's folder
    EXPECT_EQ(events.Run([&] { client.Connect(); }), 0) << client.ErrorMessage().toStdString();
    client.Abort();
    EXPECT_EQ(TrustedAuthorities().size(), 1) << "the file and the folder name the same file";
    qunsetenv("SSL_CERT_FILE");
    qunsetenv("SSL_CERT_DIR");
}

// ---- Servers that get TLS wrong: the password must never reach them.

// Alice, whose password "secret" is what must not leak.
void PointAt(TPop3Cli& client, const FakeServer& server, ConnectionSecurity security) {
    client.SetHost("localhost");
    client.SetPort(server.PortText());
    client.SetSecurity(security);
    client.SetUserName("alice");
    client.SetPassWord("secret");
}

TEST(Pop3TlsScript, RefusedStlsEndsTheConnectWithoutALogin) {
    FakeServer server;
    server.Says("+OK ready")
        .Expects("STLS")
        .Says("-ERR not in this life")
        .Expects("QUIT")
        .ExpectsClose();
    TPop3Cli client;
    Pop3Events events(client);
    PointAt(client, server, ConnectionSecurity::StartTls);
    EXPECT_EQ(events.Run([&] { client.Connect(); }), TlsErrorCode);
    EXPECT_EQ(client.TlsError(), "TLS: the server refused STLS (-ERR not in this life)");
    ASSERT_TRUE(WaitFor([&] { return server.ClientClosed(0); }));
    EXPECT_TRUE(server.ScriptPlayed());
    EXPECT_FALSE(server.Received().contains("USER"));
    EXPECT_FALSE(server.Received().contains("secret"));
}

// A server that sends its close notice after "+OK" to QUIT and waits for ours: QUIT completes
// at once instead of waiting for a close that never comes.
TEST(Pop3TlsScript, QuitEndsAtTheAnswerWhenTheServerWaitsForOurClose) {
    SetAdditionalCaCertificates(TlsPeers().Authority());
    TlsLogoutServer server(QStringLiteral("pop3"));
    TPop3Cli client;
    Pop3Events events(client);
    client.SetHost(QStringLiteral("localhost"));
    client.SetPort(QString::number(server.Port()));
    client.SetSecurity(ConnectionSecurity::Tls);
    client.SetUserName("alice");
    client.SetPassWord("secret");
    EXPECT_EQ(events.Run([&] { client.Connect(); }), 0) << client.ErrorMessage().toStdString();
    EXPECT_EQ(events.Run([&] { client.User(); }), 0);
    EXPECT_EQ(events.Run([&] { client.Pass(); }), 0);
    EXPECT_EQ(events.Run([&] { client.Quit(); }), 0);
    EXPECT_FALSE(client.Connected());
    // Our close notice goes out unless the server's arrived first (then Qt ends TLS without
    // one); either way the server is not left waiting.
    const QByteArray outcome = server.Outcome();
    EXPECT_TRUE(outcome == "CLOSE_NOTIFY" || outcome == "EOF") << outcome.toStdString();

    // A close notice in place of an answer ends the request at once: the session is over.
    TlsLogoutServer hangup(QStringLiteral("pop3-hangup"));
    client.SetPort(QString::number(hangup.Port()));
    EXPECT_EQ(events.Run([&] { client.Connect(); }), 0);
    EXPECT_EQ(events.Run([&] { client.User(); }), 0);
    EXPECT_EQ(events.Run([&] { client.Pass(); }), 10004);
    EXPECT_FALSE(client.Connected());
    // Qt answers a close notice with the close alone; the server sees the end all the same.
    EXPECT_EQ(hangup.Outcome(), "EOF");
    SetAdditionalCaCertificates({});
}

TEST(Pop3TlsScript, PlainTextOnATlsPortFailsTheHandshake) {
    FakeServer server;
    server.Says("+OK plain text here").ExpectsClose();
    TPop3Cli client;
    Pop3Events events(client);
    PointAt(client, server, ConnectionSecurity::Tls);
    EXPECT_EQ(events.Run([&] { client.Connect(); }), TlsErrorCode);
    EXPECT_TRUE(client.TlsError().startsWith("TLS: the handshake failed"))
        << client.TlsError().toStdString();
    EXPECT_TRUE(events.responses.isEmpty()) << "the plain greeting is no greeting";
    ASSERT_TRUE(WaitFor([&] { return server.ClientClosed(0); }));
    // All the client said was its TLS hello (a handshake record starts with 0x16).
    EXPECT_TRUE(server.Received().startsWith('\x16'));
    EXPECT_FALSE(server.Received().contains("secret"));
}

// What arrives in clear after "+OK" to STLS may come from anyone on the way (RFC 2595): it is
// dropped, and a server that then stops talking TLS ends the connect.
TEST(Pop3TlsScript, LinesInjectedAfterStlsAreDropped) {
    FakeServer server;
    server.Says("+OK ready")
        .Expects("STLS")
        .SaysRaw("+OK begin TLS\r\n+OK injected\r\n")
        .Pauses(200)
        .Closes();
    TPop3Cli client;
    Pop3Events events(client);
    PointAt(client, server, ConnectionSecurity::StartTls);
    EXPECT_EQ(events.Run([&] { client.Connect(); }), TlsErrorCode);
    EXPECT_FALSE(events.responses.contains("+OK injected"));
    EXPECT_TRUE(events.Entries("SessionConnected").isEmpty());
    EXPECT_FALSE(server.Received().contains("USER"));
    EXPECT_FALSE(server.Received().contains("secret"));
}

} // namespace
