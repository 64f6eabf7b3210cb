// Whole passes and connection tests over TLS: dovecot with a certificate from the test's own
// authority, aiosmtpd servers that take AUTH LOGIN only inside TLS.
#include "EngineFixture.h"
#include "net/TlsTrust.h"
#include "settings/StoreLayout.h"
#include "tests/support/TlsPeers.h"

using namespace sievra;
using namespace sievra::test;

namespace {

const QString SmtpUser = QStringLiteral("bob");

class TlsPass : public EngineFixture {
public:
    static void SetUpTestSuite() {
        // The fixture's servers, dovecot with a certificate the tests' authority signed.
        pop = new DovecotServer(TlsPeers().Localhost().Cert, TlsPeers().Localhost().Key);
        smtp = new SmtpSink();
        SmtpSinkOptions options;
        options.AuthUser = SmtpUser;
        options.AuthPassword = SmtpUser + "pw";
        options.AuthRequiresTls = true;
        options.TlsCert = TlsPeers().Localhost().Cert;
        options.TlsKey = TlsPeers().Localhost().Key;
        startTls = new SmtpSink(options);
        options.AuthRequiresTls = false; // aiosmtpd applies it to STARTTLS only
        options.ImplicitTls = true;
        implicitTls = new SmtpSink(options);
    }
    static void TearDownTestSuite() {
        delete startTls;
        delete implicitTls;
        startTls = implicitTls = nullptr;
        EngineFixture::TearDownTestSuite();
    }

protected:
    void SetUp() override {
        EngineFixture::SetUp();
        SetAdditionalCaCertificates(TlsPeers().Authority());
    }
    void TearDown() override { SetAdditionalCaCertificates({}); }

    // A mailbox screened over POP3 with `pop3Security` and answered through `sink` with
    // `smtpSecurity` and AUTH LOGIN, by the name the certificate carries.
    Account& AddSecureMailbox(const QList<QByteArray>& messages, int pop3Security, SmtpSink& sink,
                              int smtpSecurity) {
        Account& account = AddMailbox(messages, QStringLiteral("say banana|"));
        account.Pop3Server = QStringLiteral("localhost");
        account.Pop3Port = QString::number(pop3Security == SecurityValue::Tls ? pop->Pop3sPort()
                                                                              : pop->Pop3Port());
        account.Pop3Security = pop3Security;
        account.SmtpServer = QStringLiteral("localhost");
        account.SmtpPort = QString::number(sink.Port());
        account.SmtpSecurity = smtpSecurity;
        account.RequiresAuth = true;
        account.SmtpUser = SmtpUser;
        account.SmtpPassword = SmtpUser + "pw";
        return account;
    }

    bool StoredFlag(const Account& account, const QString& name) {
        return store->OpenKey(AccountKeyPath(account.KeyName))->ReadFlag(name);
    }

    static SmtpSink* startTls;
    static SmtpSink* implicitTls;
};

SmtpSink* TlsPass::startTls = nullptr;
SmtpSink* TlsPass::implicitTls = nullptr;

TEST_F(TlsPass, ScreensAndRepliesOverTlsAndStartTlsAndNamesThem) {
    struct Case {
        int pop3;
        SmtpSink* sink;
        int smtp;
        const char* pop3Line;
        const char* smtpLine;
    };
    const Case cases[] = {
        {SecurityValue::Tls, startTls, SecurityValue::StartTls,
         "<B>Connecting to <font color=\"clGreen\">localhost (TLS)</B>",
         "<B>Connecting to <font color=\"clGreen\">localhost (STARTTLS)</B>"},
        {SecurityValue::StartTls, implicitTls, SecurityValue::Tls,
         "<B>Connecting to <font color=\"clGreen\">localhost (STARTTLS)</B>",
         "<B>Connecting to <font color=\"clGreen\">localhost (TLS)</B>"},
    };
    window.Options.ReplyIntervalDays = 0; // both cases answer the same stranger
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pop3Line);
        window.AccountRecords.clear();
        const int before = static_cast<int>(c.sink->Messages().size());
        Account& account = AddSecureMailbox(
            {Mail("Friend <friend@example.org>", "hello"), Mail("stranger@x.example", "buy now")},
            c.pop3, *c.sink, c.smtp);
        engine->RunPass();
        EXPECT_EQ(window.PlainLines().last(), "RESULTS: 1 waiting. 1 deleted. 0 Error(s)")
            << window.PlainLines().join("\n").toStdString();
        EXPECT_EQ(window.Lines.first(), c.pop3Line);
        EXPECT_TRUE(window.Lines.contains(c.smtpLine)) << window.Lines.join("\n").toStdString();
        EXPECT_EQ(MailboxSize(account), 1);
        ASSERT_TRUE(c.sink->WaitForMessages(before + 1));
        const ReceivedMail reply = c.sink->Messages().at(before);
        EXPECT_EQ(reply.RcptTos, QStringList({"stranger@x.example"}));
        EXPECT_EQ(reply.AuthLogin, SmtpUser);
    }
}

// A certificate that does not verify stops the account before its login: nothing deleted,
// the error line says why and names the certificate, which the window is offered. Pinned for
// the account, the same certificate is accepted on the next pass.
TEST_F(TlsPass, ARefusedCertificateIsReportedWithItsReasonAndTouchesNothing) {
    Account& account = AddSecureMailbox({Mail("stranger@x.example", "buy now")}, SecurityValue::Tls,
                                        *implicitTls, SecurityValue::Tls);
    account.Pop3Server = QStringLiteral("127.0.0.1");
    engine->RunPass();
    const QString fingerprint =
        CertificateFingerprint(QSslCertificate::fromPath(TlsPeers().Localhost().Cert).value(0));
    EXPECT_TRUE(window.HasLine("Error 12000: POP3 error while connecting to POP server: TLS: the "
                               "certificate's host name does not match 127.0.0.1 (SHA-256 " +
                               fingerprint + ")"))
        << window.PlainLines().join("\n").toStdString();
    EXPECT_EQ(MailboxSize(account), 1);
    EXPECT_EQ(engine->Counters().ErrorCount, 1);
    EXPECT_EQ(window.RefusedCertificates, QStringList({account.KeyName + " POP3 " + fingerprint}));

    account.Pop3Certificate = fingerprint;
    engine->RunPass();
    EXPECT_EQ(engine->Counters().ErrorCount, 0) << window.PlainLines().join("\n").toStdString();
    EXPECT_EQ(MailboxSize(account), 0);
    EXPECT_EQ(window.RefusedCertificates.size(), 1);
}

// The connection test keeps what passed: POP3 over STLS works, the SMTP server offers no
// STARTTLS (the plain aiosmtpd), so only "POP3 Tested" is stored and the user is told.
TEST_F(TlsPass, ConnectionTestRefusesAServerWithoutStartTls) {
    Account& account =
        AddSecureMailbox({}, SecurityValue::StartTls, *smtp, SecurityValue::StartTls);
    account.Pop3Tested = false;
    account.SmtpTested = false;
    account.RequiresAuth = false;
    EXPECT_FALSE(engine->StartScreening());
    EXPECT_TRUE(window.HasLine("Error 12000: SMTP error while connecting to SMTP server: TLS: "
                               "the server does not offer STARTTLS"))
        << window.PlainLines().join("\n").toStdString();
    EXPECT_TRUE(StoredFlag(account, "POP3 Tested"));
    EXPECT_FALSE(StoredFlag(account, "SMTP Tested"));
    EXPECT_EQ(window.Warnings.size(), 1);
}

TEST_F(TlsPass, ASecurityNumberOutsideTheThreeIsRefusedNotGuessed) {
    Account& first = AddMailbox({Mail("stranger@x.example", "buy now")}, "hint|");
    first.Pop3Security = 7;
    Account& second = AddMailbox({Mail("stranger@x.example", "buy now")}, "hint|");
    second.SmtpSecurity = -1;
    engine->RunPass();
    EXPECT_EQ(window.Lines.first(), "<B><font color=\"clRed\">Unknown POP3 Security!</B>");
    EXPECT_TRUE(window.Lines.contains("<B><font color=\"clRed\">Unknown SMTP Security!</B>"));
    EXPECT_EQ(MailboxSize(first), 1);
    EXPECT_EQ(MailboxSize(second), 0) << "its POP3 side is fine";
    EXPECT_EQ(Section(second.KeyName), QStringList({"0=stranger@x.example"}))
        << "the reply waits for a usable setting";
    EXPECT_EQ(engine->Counters().ErrorCount, 2);
}

// Accounts stored before they had a security connect in clear on their plain ports; when the
// server offers STLS or STARTTLS, the account is upgraded, stored, and screened inside TLS.
// A server without the offer (the plain aiosmtpd) leaves the account in clear.
TEST_F(TlsPass, LegacyAccountIsUpgradedWhenTheServerOffersStartTls) {
    Account& upgraded = AddSecureMailbox({Mail("stranger@x.example", "buy now")},
                                         SecurityValue::None, *startTls, SecurityValue::None);
    Account& plainSmtp = AddSecureMailbox({Mail("other@x.example", "buy now")}, SecurityValue::None,
                                          *smtp, SecurityValue::None);
    plainSmtp.RequiresAuth = false;
    for (Account* account : {&upgraded, &plainSmtp}) {
        account->Pop3SecurityStored = false;
        account->SmtpSecurityStored = false;
    }
    const int before = static_cast<int>(startTls->Messages().size());
    engine->RunPass();
    const QString lines = window.PlainLines().join("\n");
    EXPECT_EQ(window.PlainLines().filter("The POP3 server offers STLS").size(), 2)
        << lines.toStdString();
    EXPECT_EQ(window.PlainLines().filter("The SMTP server offers STARTTLS").size(), 1);
    EXPECT_EQ(upgraded.Pop3Security, SecurityValue::StartTls);
    EXPECT_EQ(upgraded.SmtpSecurity, SecurityValue::StartTls);
    EXPECT_EQ(plainSmtp.SmtpSecurity, SecurityValue::None);
    auto key = store->OpenKey(AccountKeyPath(upgraded.KeyName));
    EXPECT_EQ(key->ReadNumber("POP3 Security"), SecurityValue::StartTls);
    EXPECT_EQ(key->ReadNumber("SMTP Security"), SecurityValue::StartTls);
    EXPECT_FALSE(store->OpenKey(AccountKeyPath(plainSmtp.KeyName))->ValueExists("SMTP Security"));
    // AUTH LOGIN is taken only inside TLS there: the reply proves the upgrade was used.
    ASSERT_TRUE(startTls->WaitForMessages(before + 1)) << lines.toStdString();
    EXPECT_EQ(MailboxSize(upgraded), 0);
    EXPECT_EQ(MailboxSize(plainSmtp), 0);
    EXPECT_TRUE(lines.contains("RESULTS: 0 waiting. 2 deleted. 0 Error(s)")) << lines.toStdString();
}

} // namespace
