// Opening and closing the POP3 and SMTP sessions of an account.
#include "ScreeningEngine.h"
#include "engine/EngineWindow.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"

namespace sievra {

namespace {

// The line names the security in use, so the user sees whether the password travels in clear;
// a plain connection keeps the line it always had.
QString ConnectingLine(const QString& server, ConnectionSecurity security) {
    const QString name = SecurityName(security);
    return QStringLiteral("<B>Connecting to <font color=\"clGreen\">") + server +
           (name.isEmpty() ? QString() : QStringLiteral(" (") + name + QLatin1Char(')')) +
           QStringLiteral("</B>");
}

// An account stored before it had a security, that its port put in clear (110 and 25, as a
// rule): the connect asks the server whether it offers STARTTLS.
bool MayProbe(bool stored, int security) {
    return !stored && security == SecurityValue::None;
}

} // namespace

bool ScreeningEngine::OpenPop3Session(Account& account) {
    if (account.Pop3Server.isEmpty()) {
        Complain(QStringLiteral("<B><font color=\"clRed\">No POP3 Host!</B>"));
        return false;
    }
    if (account.Pop3User.isEmpty()) {
        Complain(QStringLiteral("<B><font color=\"clRed\">No POP3 User ID!</B>"));
        return false;
    }
    if (account.Pop3Password.isEmpty()) {
        Complain(QStringLiteral("<B><font color=\"clRed\">No POP3 User Password!</B>"));
        return false;
    }
    // A number the store should not hold is refused rather than guessed at: a guess could be
    // plain text.
    const auto security = SecurityFromNumber(account.Pop3Security);
    if (!security) {
        Complain(QStringLiteral("<B><font color=\"clRed\">Unknown POP3 Security!</B>"));
        return false;
    }
    SetTimeout(account.Pop3Timeout);
    StartSessionBound();
    BeginSession(account, account.Pop3Server, account.Pop3Port);
    Log(ConnectingLine(account.Pop3Server, *security));
    pop3_.SetSecurity(*security);
    const bool probe = MayProbe(account.Pop3SecurityStored, account.Pop3Security);
    pop3_.SetProbeStartTls(probe);
    pop3_.SetPinnedCertificate(account.Pop3Certificate);
    pop3_.SetUserName(account.Pop3User);
    pop3_.SetPassWord(account.Pop3Password);
    pop3_.SetHost(account.Pop3Server);
    pop3_.SetPort(account.Pop3Port);

    PopRequest(QStringLiteral("connecting to POP server"), pop3Connect,
               [this] { pop3_.Connect(); });
    // Stored even when the handshake then fails: once offered, never in clear again.
    if (probe && pop3_.StartTlsOffered()) {
        UpgradeToStartTls(account, true);
    }
    if (state_.ErrorFlag) {
        ReportError();
        OfferCertificate(account, CertificateServer::Pop3, pop3_.RefusedCertificate());
        return false;
    }
    // What the server offers decides how the headers and deletions travel; a server that
    // offers nothing gets the dialogue it always had.
    if (!PopStep(QStringLiteral("asking for capabilities"), pop3Capa, [this] { pop3_.Capa(); }) ||
        !PopStep(QStringLiteral("giving user id"), pop3User, [this] { pop3_.User(); }) ||
        !PopStep(QStringLiteral("giving password"), pop3Pass, [this] { pop3_.Pass(); })) {
        return false;
    }
    Log(QStringLiteral("Getting status.."));
    return PopStep(QStringLiteral("getting status"), pop3Stat, [this] { pop3_.Stat(); });
}

// The server offered STARTTLS to an account that connected in clear only because it was
// stored before it had a security: from now on it uses STARTTLS and never falls back.
void ScreeningEngine::UpgradeToStartTls(Account& account, bool pop3) {
    (pop3 ? account.Pop3Security : account.SmtpSecurity) = SecurityValue::StartTls;
    (pop3 ? account.Pop3SecurityStored : account.SmtpSecurityStored) = true;
    Log(pop3 ? QStringLiteral("<B>The POP3 server offers STLS: this account uses STARTTLS from "
                              "now on.</B>")
             : QStringLiteral("<B>The SMTP server offers STARTTLS: this account uses it from now "
                              "on.</B>"));
    if (store_ == nullptr) {
        return;
    }
    try {
        if (auto key = store_->OpenKey(AccountKeyPath(account.KeyName))) {
            key->WriteNumber(pop3 ? AccountValue::Pop3Security : AccountValue::SmtpSecurity,
                             SecurityValue::StartTls);
        }
    } catch (const StoreError& error) {
        // Still STARTTLS for as long as the program runs; the next start asks again.
        Complain(QStringLiteral("<font color=\"clRed\"><B>Error: ") + error.Message() +
                 QStringLiteral("</B>"));
    }
}

// Never trusted here: only the user, shown the certificate, can pin it for the account.
void ScreeningEngine::OfferCertificate(const Account& account, CertificateServer server,
                                       const QSslCertificate& certificate) {
    if (!certificate.isNull()) {
        window_.CertificateRefused(account, server, certificate);
    }
}

// QUIT when the client still holds a connection. A client still busy with a request that
// timed out cannot send it, and trying would only add a second error line for the same
// fault; its connection is aborted instead, so the next account or pass starts clean (the
// server applies none of that session's deletions, the safe side).
void ScreeningEngine::QuitPop3() {
    // QUIT commits the session's work: it gets its own time-out, whatever the session used.
    EndSessionBound();
    if (pop3_.Connected() && pop3_.State() == pop3Ready) {
        state_.ErrorFlag = false;
        Log(QStringLiteral("Disconnecting from POP server.."));
        PopStep(QStringLiteral("disconnecting from POP server"), pop3Quit,
                [this] { pop3_.Quit(); });
    }
    if (pop3_.State() != pop3Ready || pop3_.Connected()) {
        pop3_.Abort();
    }
}

// The reply addresses of this session's deletions could not be saved: RSET takes the
// deletions back, so the messages stay on the server and no sender loses a reply. Without
// RSET the connection is dropped rather than quit, which commits nothing either (RFC 1939).
void ScreeningEngine::KeepMessagesOnServer() {
    if (accountQueued_ == 0 || !pop3_.Connected()) {
        return;
    }
    EndSessionBound();
    state_.ErrorFlag = false;
    if (!PopStep(QStringLiteral("undoing the deletions"), pop3Rset, [this] { pop3_.Rset(); })) {
        pop3_.Abort();
        return;
    }
    counters_.DeletedCount -= accountDeleted_;
    Log(QStringLiteral("<font color=\"clRed\"><B>%1 message(s) left on the server, since the "
                       "addresses to reply to could not be saved.</B>")
            .arg(accountDeleted_));
}

bool ScreeningEngine::OpenSmtpSession(Account& account) {
    if (account.SmtpServer.isEmpty()) {
        Complain(QStringLiteral("<B><font color=\"clRed\">No SMTP Host!</B>"));
        return false;
    }
    if (account.RequiresAuth) {
        const bool pop3Login = account.UsePop3Login;
        const QString& user = pop3Login ? account.Pop3User : account.SmtpUser;
        const QString& password = pop3Login ? account.Pop3Password : account.SmtpPassword;
        if (user.isEmpty()) {
            Complain(pop3Login ? QStringLiteral("<B><font color=\"clRed\">No POP3 User ID!</B>")
                               : QStringLiteral("<B><font color=\"clRed\">No SMTP User ID!</B>"));
            return false;
        }
        if (password.isEmpty()) {
            Complain(pop3Login ? QStringLiteral("<B><font color=\"clRed\">No POP3 Password!</B>")
                               : QStringLiteral("<B><font color=\"clRed\">No SMTP Password!</B>"));
            return false;
        }
    }
    const auto security = SecurityFromNumber(account.SmtpSecurity);
    if (!security) {
        Complain(QStringLiteral("<B><font color=\"clRed\">Unknown SMTP Security!</B>"));
        return false;
    }
    SetTimeout(account.SmtpTimeout);
    StartSessionBound();
    BeginSession(account, account.SmtpServer, account.SmtpPort);
    Log(ConnectingLine(account.SmtpServer, *security));
    // The client's connect includes STARTTLS, so the HELO or EHLO below and every AUTH LOGIN
    // step run inside TLS when it is chosen.
    smtp_.SetSecurity(*security);
    const bool probe = MayProbe(account.SmtpSecurityStored, account.SmtpSecurity);
    smtp_.SetProbeStartTls(probe);
    smtp_.SetPinnedCertificate(account.SmtpCertificate);
    smtp_.SetHost(account.SmtpServer);
    smtp_.SetPort(account.SmtpPort);
    smtp_.SetUser(account.UsePop3Login ? account.Pop3User : account.SmtpUser);
    smtp_.SetPassword(account.UsePop3Login ? account.Pop3Password : account.SmtpPassword);

    Request(
        QStringLiteral("connecting to SMTP server"), Client::Smtp,
        static_cast<int>(SmtpRequest::Connect), [this] { smtp_.Connect(); }, Until::SmtpSession);
    if (probe && smtp_.StartTlsOffered()) {
        UpgradeToStartTls(account, false);
    }
    if (state_.ErrorFlag) {
        ReportError();
        OfferCertificate(account, CertificateServer::Smtp, smtp_.RefusedCertificate());
        return false;
    }
    if (!account.RequiresAuth) {
        return SmtpStep(QStringLiteral("sending HELO"), SmtpRequest::Helo,
                        [this] { smtp_.Helo(); });
    }
    return SmtpStep(QStringLiteral("sending EHLO"), SmtpRequest::Ehlo, [this] { smtp_.Ehlo(); }) &&
           AuthStep(QStringLiteral("sending AUTH LOGIN"), SmtpRequest::AuthLogin, 334,
                    [this] { smtp_.AuthLogin(); }) &&
           AuthStep(QStringLiteral("sending user ID"), SmtpRequest::AuthUser, 334,
                    [this] { smtp_.AuthUser(); }) &&
           AuthStep(QStringLiteral("sending password"), SmtpRequest::AuthPass, 235,
                    [this] { smtp_.AuthPass(); });
}

// The client accepts only 250 for the AUTH LOGIN steps; the usual 334 and 235 arrive as
// errors carrying that code and count as success here.
bool ScreeningEngine::AuthStep(const QString& words, SmtpRequest type, int acceptedCode,
                               const std::function<void()>& issue) {
    SmtpRequestOf(words, type, issue);
    if (state_.ErrorFlag && state_.ErrorCode == acceptedCode) {
        state_.ErrorFlag = false;
        state_.ErrorCode = 0;
    }
    return Succeeded();
}

void ScreeningEngine::QuitSmtp() {
    EndSessionBound();
    if (smtp_.Connected() && smtp_.State() == smtpReady) {
        state_.ErrorFlag = false;
        Log(QStringLiteral("Disconnecting from SMTP server.."));
        SmtpStep(QStringLiteral("disconnecting from SMTP server"), SmtpRequest::Quit,
                 [this] { smtp_.Quit(); });
    }
    if (smtp_.State() != smtpReady || smtp_.Connected()) {
        smtp_.Abort();
    }
}

} // namespace sievra
