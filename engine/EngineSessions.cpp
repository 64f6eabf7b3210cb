// Opening and closing the POP3 and SMTP sessions of an account.
#include "ScreeningEngine.h"
#include "engine/EngineWindow.h"

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

} // namespace

bool ScreeningEngine::OpenPop3Session(const Account& account) {
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
    BeginSession(account, account.Pop3Server, account.Pop3Port);
    Log(ConnectingLine(account.Pop3Server, *security));
    pop3_.SetSecurity(*security);
    pop3_.SetUserName(account.Pop3User);
    pop3_.SetPassWord(account.Pop3Password);
    pop3_.SetHost(account.Pop3Server);
    pop3_.SetPort(account.Pop3Port);

    PopRequest(QStringLiteral("connecting to POP server"), pop3Connect,
               [this] { pop3_.Connect(); });
    if (state_.ErrorFlag) {
        ReportError();
        return false;
    }
    PopRequest(QStringLiteral("giving user id"), pop3User, [this] { pop3_.User(); });
    if (state_.ErrorFlag) {
        ReportError();
        return false;
    }
    PopRequest(QStringLiteral("giving password"), pop3Pass, [this] { pop3_.Pass(); });
    if (state_.ErrorFlag) {
        ReportError();
        return false;
    }
    Log(QStringLiteral("Getting status.."));
    PopRequest(QStringLiteral("getting status"), pop3Stat, [this] { pop3_.Stat(); });
    if (state_.ErrorFlag) {
        ReportError();
        return false;
    }
    return true;
}

// QUIT when the client still holds a connection. A client still busy with a request that
// timed out cannot send it; its connection is then aborted, so the next account or pass
// starts clean (the server applies none of that session's deletions, the safe side).
void ScreeningEngine::QuitPop3() {
    if (pop3_.Connected()) {
        state_.ErrorFlag = false;
        Log(QStringLiteral("Disconnecting from POP server.."));
        PopRequest(QStringLiteral("disconnecting from POP server"), pop3Quit,
                   [this] { pop3_.Quit(); });
        if (state_.ErrorFlag) {
            ReportError();
        }
    }
    if (pop3_.State() != pop3Ready || pop3_.Connected()) {
        pop3_.Abort();
    }
}

bool ScreeningEngine::OpenSmtpSession(const Account& account) {
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
    BeginSession(account, account.SmtpServer, account.SmtpPort);
    Log(ConnectingLine(account.SmtpServer, *security));
    // The client's connect includes STARTTLS, so the HELO or EHLO below and every AUTH LOGIN
    // step run inside TLS when it is chosen.
    smtp_.SetSecurity(*security);
    smtp_.SetHost(account.SmtpServer);
    smtp_.SetPort(account.SmtpPort);
    smtp_.SetUser(account.UsePop3Login ? account.Pop3User : account.SmtpUser);
    smtp_.SetPassword(account.UsePop3Login ? account.Pop3Password : account.SmtpPassword);

    DropStaleCompletions();
    state_.Operation = QStringLiteral("connecting to SMTP server");
    state_.RequestDone = false;
    awaited_ = {Client::Smtp, static_cast<int>(SmtpRequest::Connect)};
    try {
        smtp_.Connect();
    } catch (const ClientException& exception) {
        NoteException(exception.Message());
    }
    AwaitSmtpSession();
    if (state_.ErrorFlag) {
        ReportError();
        return false;
    }
    if (!account.RequiresAuth) {
        SmtpRequestOf(QStringLiteral("sending HELO"), SmtpRequest::Helo, [this] { smtp_.Helo(); });
        if (state_.ErrorFlag) {
            ReportError();
            return false;
        }
        return true;
    }
    SmtpRequestOf(QStringLiteral("sending EHLO"), SmtpRequest::Ehlo, [this] { smtp_.Ehlo(); });
    if (state_.ErrorFlag) {
        ReportError();
        return false;
    }
    return AuthStep(QStringLiteral("sending AUTH LOGIN"), SmtpRequest::AuthLogin, 334,
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
    if (state_.ErrorFlag) {
        ReportError();
        return false;
    }
    return true;
}

void ScreeningEngine::QuitSmtp() {
    if (smtp_.Connected()) {
        state_.ErrorFlag = false;
        Log(QStringLiteral("Disconnecting from SMTP server.."));
        SmtpRequestOf(QStringLiteral("disconnecting from SMTP server"), SmtpRequest::Quit,
                      [this] { smtp_.Quit(); });
        if (state_.ErrorFlag) {
            ReportError();
        }
    }
    if (smtp_.State() != smtpReady || smtp_.Connected()) {
        smtp_.Abort();
    }
}

} // namespace sievra
