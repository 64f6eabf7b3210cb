#include "TCustomSmtpClient.h"

#include "SmtpText.h"
#include "SocketError.h"
#include "TWSocket.h"

#include <QHostInfo>

namespace sievra {

namespace {

const QList<int> Accepts250 = {250};
// More than a group's replies before its Mail is not a server keeping to the protocol.
constexpr qsizetype MaxHeldLines = 64;

} // namespace

TCustomSmtpClient::TCustomSmtpClient(QObject* parent)
    : TCustomSmtpClient(std::make_unique<TWSocket>(), parent) {}

TCustomSmtpClient::TCustomSmtpClient(std::unique_ptr<Transport> transport, QObject* parent)
    : QObject(parent)
    , LineClient(std::move(transport), QStringLiteral("smtp"), QStringLiteral("500 ")) {}

TCustomSmtpClient::~TCustomSmtpClient() = default;

// ---- The phase

TSmtpState TCustomSmtpClient::State() const {
    switch (phase_) {
    case Phase::Idle:
        return smtpReady;
    case Phase::LookingUp:
        return smtpDnsLookup;
    case Phase::Connecting:
        return smtpConnecting;
    case Phase::Greeting:
    case Phase::TlsEhlo:
    case Phase::TlsStartTls:
    case Phase::TlsHandshake:
        return smtpWaitingBanner;
    case Phase::Greeted:
        return smtpConnected;
    case Phase::Text:
        return smtpInternalReady;
    case Phase::Aborting:
        return smtpAbort;
    default:
        return smtpWaitingResponse;
    }
}

bool TCustomSmtpClient::AwaitingReply() const {
    return State() == smtpWaitingResponse;
}

// MAIL FROM accepted and the final "." not sent yet: the server holds a sender.
bool TCustomSmtpClient::TransactionOpen() const {
    return phase_ == Phase::RcptTo || phase_ == Phase::Data || phase_ == Phase::Text;
}

void TCustomSmtpClient::SetPhase(Phase phase) {
    phase_ = phase;
}

// ---- Starting requests

void TCustomSmtpClient::RequireReady() const {
    // Between the steps of Mail a request from outside would land in the middle of the message.
    if (phase_ != Phase::Idle) {
        throw SmtpException(QStringLiteral("SMTP component not ready"));
    }
}

void TCustomSmtpClient::RequireCanStart() const {
    RequireReady();
    if (!connection_.Connected()) {
        throw SmtpException(QStringLiteral("SMTP component not connected"));
    }
}

void TCustomSmtpClient::BeginRequest(SmtpRequest type) {
    rqType_ = type;
    errorCode_ = 0;
    errorMessage_.clear();
    serverReply_.clear();
}

void TCustomSmtpClient::StartRequest(SmtpRequest type, const QString& command,
                                     const QList<int>& accepted, Phase phase) {
    RequireCanStart();
    RequireProtected();
    BeginRequest(type);
    SendCommand(phase, command, accepted);
}

void TCustomSmtpClient::RequireProtected() const {
    if (connection_.Unprotected()) {
        // Cannot happen after a completed connect; a guard, since the cost would be a password.
        throw SmtpException(QStringLiteral("SMTP component not encrypted"));
    }
}

void TCustomSmtpClient::SendCommand(Phase phase, const QString& command,
                                    const QList<int>& accepted) {
    if (!connection_.Connected()) {
        throw SmtpException(QStringLiteral("SMTP component not connected"));
    }
    RequireProtected();
    accepted_ = accepted;
    reported_ = false;
    SetPhase(phase);
    emit OnCommand(this, command);
    emit OnDisplay(this, QStringLiteral("> ") + command);
    SendWire(command.toUtf8() + "\r\n");
}

void TCustomSmtpClient::SendWire(const QByteArray& bytes) {
    if (connection_.CanSend()) {
        connection_.Send(bytes);
    }
}

void TCustomSmtpClient::Connect() {
    RequireReady();
    if (connection_.Connected()) {
        throw SmtpException(QStringLiteral("SMTP component already connected"));
    }
    BeginRequest(SmtpRequest::Connect);
    reported_ = false;
    extensions_ = {};
    ehloInFlight_ = false;
    startTlsOffered_ = false;
    SetPhase(Phase::LookingUp);
    try {
        // The text of DATA goes out one short line at a time. With Nagle's algorithm each line
        // after the first would wait for the server's delayed acknowledgement (40 ms here),
        // since the server answers nothing until the final ".".
        OpenConnection(security_, true);
    } catch (const ClientException&) {
        // Not started: no event will follow.
        SetPhase(Phase::Idle);
        reported_ = true;
        throw;
    }
}

QString TCustomSmtpClient::GreetingName() const {
    if (!signOn_.isEmpty()) {
        return signOn_;
    }
    const QString host = QHostInfo::localHostName();
    if (host.contains(QLatin1Char('.'))) {
        return host;
    }
    const QString domain = QHostInfo::localDomainName();
    if (!host.isEmpty() && !domain.isEmpty()) {
        return host + QLatin1Char('.') + domain;
    }
    const QHostAddress local(connection_.LocalAddress());
    if (local.protocol() == QAbstractSocket::IPv6Protocol) {
        return QStringLiteral("[IPv6:") + local.toString() + QLatin1Char(']');
    }
    return QLatin1Char('[') + (local.isNull() ? QStringLiteral("127.0.0.1") : local.toString()) +
           QLatin1Char(']');
}

void TCustomSmtpClient::SendEhlo(SmtpRequest type, Phase phase) {
    RequireCanStart();
    if (HasLineBreak(signOn_)) {
        throw SmtpException(QStringLiteral("HELO name contains a line break"));
    }
    RequireProtected();
    extensions_ = {};
    ehloInFlight_ = true;
    StartRequest(type, QStringLiteral("EHLO ") + GreetingName(), Accepts250, phase);
}

void TCustomSmtpClient::Helo() {
    SendEhlo(SmtpRequest::Helo, Phase::HeloEhlo);
}

void TCustomSmtpClient::Ehlo() {
    SendEhlo(SmtpRequest::Ehlo, Phase::Command);
}

void TCustomSmtpClient::AuthLogin() {
    StartRequest(SmtpRequest::AuthLogin, QStringLiteral("AUTH LOGIN"), Accepts250);
}

void TCustomSmtpClient::AuthUser() {
    StartRequest(SmtpRequest::AuthUser, QString::fromLatin1(user_.toUtf8().toBase64()), Accepts250);
}

void TCustomSmtpClient::AuthPass() {
    StartRequest(SmtpRequest::AuthPass, QString::fromLatin1(password_.toUtf8().toBase64()),
                 Accepts250);
}

QString TCustomSmtpClient::CheckedPath(const QString& verb, const QString& address) const {
    const QString command = SmtpPathCommand(verb, address);
    if (HasLineBreak(command)) {
        throw SmtpException(QStringLiteral("Address contains a line break"));
    }
    return command;
}

void TCustomSmtpClient::MailFrom() {
    RequireCanStart();
    StartRequest(SmtpRequest::MailFrom, CheckedPath(QStringLiteral("MAIL FROM:"), fromName_),
                 Accepts250);
}

void TCustomSmtpClient::RcptTo() {
    RequireCanStart();
    if (rcptName_.isEmpty()) {
        throw SmtpException(QStringLiteral("RcptName list is empty"));
    }
    StartRequest(SmtpRequest::RcptTo, CheckedPath(QStringLiteral("RCPT TO:"), rcptName_.first()),
                 {250, 251});
}

void TCustomSmtpClient::Rset() {
    StartRequest(SmtpRequest::Rset, QStringLiteral("RSET"), Accepts250);
}

void TCustomSmtpClient::Quit() {
    RequireReady();
    if (!connection_.Connected()) {
        BeginRequest(SmtpRequest::Quit);
        reported_ = false;
        Report(WsaError::NoError);
        return;
    }
    StartRequest(SmtpRequest::Quit, QStringLiteral("QUIT"), {221});
}

void TCustomSmtpClient::Abort() {
    DropFollower();
    SetPhase(Phase::Aborting);
    // A pending lookup ends through ConnectionFailed, a connection through ConnectionClosed;
    // both complete the pending request with 10004.
    connection_.Abort();
    if (!reported_) {
        Finish(WsaError::Interrupted, false);
    }
    SetPhase(Phase::Idle);
}

// ---- Replies

void TCustomSmtpClient::ConnectionLine(const QByteArray& bytes) {
    if (phase_ == Phase::Following) {
        heldLines_.append(bytes);
        if (heldLines_.size() > MaxHeldLines) {
            DropFollower();
            connection_.Close();
        }
        return;
    }
    const QString line = QString::fromUtf8(bytes);
    lastResponse_ = line;
    emit OnResponse(this, line);
    switch (phase_) {
    case Phase::TlsEhlo:
    case Phase::TlsStartTls:
    case Phase::TlsHandshake:
        HandleTlsLine(line);
        return;
    case Phase::Greeting:
        HandleGreeting(line);
        return;
    default:
        if (AwaitingReply()) {
            HandleReply(line);
        } else {
            emit OnDisplay(this, QStringLiteral("< ") + line);
        }
        return;
    }
}

void TCustomSmtpClient::HandleGreeting(const QString& line) {
    emit OnDisplay(this, QStringLiteral("< ") + line);
    if (phase_ != Phase::Greeting) {
        return; // a handler aborted meanwhile
    }
    const SmtpReplyLine reply = ParseSmtpReply(line);
    if (reply.Continues) {
        return;
    }
    status_ = reply.Code;
    if (reply.Code == 220) {
        if (connection_.Security() == ConnectionSecurity::StartTls ||
            (connection_.Security() == ConnectionSecurity::None && probeStartTls_)) {
            BeginStartTls();
        } else {
            FinishConnect();
        }
        return;
    }
    // Refused: what else the server sent is of no use; the close completes with 10004.
    serverReply_ = line;
    if (errorMessage_.isEmpty()) {
        errorMessage_ = line;
    }
    errorCode_ = SmtpReplyError(reply.Code);
    connection_.ClearLines();
    connection_.Close();
}

void TCustomSmtpClient::FinishConnect() {
    SetPhase(Phase::Greeted);
    emit OnSessionConnected(this, WsaError::NoError);
    Finish(WsaError::NoError);
}

// ---- STARTTLS

// STARTTLS is an extension, so the server has to name it in its EHLO reply first.
void TCustomSmtpClient::BeginStartTls() {
    startTlsOffered_ = false;
    SetPhase(Phase::TlsEhlo);
    try {
        SendNegotiation(QStringLiteral("EHLO ") + GreetingName());
    } catch (const ClientException& e) {
        connection_.FailTls(QStringLiteral("TLS: ") + e.Message());
    }
}

void TCustomSmtpClient::SendNegotiation(const QString& command) {
    emit OnCommand(this, command);
    emit OnDisplay(this, QStringLiteral("> ") + command);
    SendWire(command.toUtf8() + "\r\n");
}

void TCustomSmtpClient::HandleTlsLine(const QString& line) {
    emit OnDisplay(this, QStringLiteral("< ") + line);
    const SmtpReplyLine reply = ParseSmtpReply(line);
    if (phase_ == Phase::TlsEhlo) {
        startTlsOffered_ = startTlsOffered_ || SmtpLineOffers(line, u"STARTTLS");
        if (!reply.Continues) {
            TlsEhloReply(reply.Code, line);
        }
        return;
    }
    if (phase_ != Phase::TlsStartTls || reply.Continues) {
        return;
    }
    // Whatever follows the reply came in clear and may not be the server's (RFC 3207).
    connection_.ClearLines();
    if (reply.Code != 220) {
        serverReply_ = line;
        QuitAfterRefusal();
        connection_.FailTls(QStringLiteral("TLS: the server refused STARTTLS (") + line +
                            QLatin1Char(')'));
        return;
    }
    SetPhase(Phase::TlsHandshake);
    connection_.StartTls();
}

void TCustomSmtpClient::TlsEhloReply(int code, const QString& line) {
    if (connection_.Security() == ConnectionSecurity::None) { // a probe: clear unless offered
        if (code != 250 || !startTlsOffered_) {
            FinishConnect();
            return;
        }
        connection_.UpgradeToStartTls();
    }
    if (code != 250) {
        serverReply_ = line;
        QuitAfterRefusal();
        connection_.FailTls(QStringLiteral("TLS: the server refused EHLO (") + line +
                            QLatin1Char(')'));
    } else if (!startTlsOffered_) {
        QuitAfterRefusal();
        connection_.FailTls(QStringLiteral("TLS: the server does not offer STARTTLS"));
    } else {
        SetPhase(Phase::TlsStartTls);
        try {
            SendNegotiation(QStringLiteral("STARTTLS"));
        } catch (const ClientException& e) {
            connection_.FailTls(QStringLiteral("TLS: ") + e.Message());
        }
    }
}

// Still in clear and nothing secret said: the session ends the polite way before the close.
void TCustomSmtpClient::QuitAfterRefusal() {
    try {
        SendNegotiation(QStringLiteral("QUIT"));
    } catch (const ClientException&) {
        // The close that follows ends the session all the same.
    }
}

void TCustomSmtpClient::ConnectionTlsUp() {
    if (phase_ != Phase::TlsHandshake) {
        return;
    }
    extensions_ = {}; // what came in clear may have been changed on the way (RFC 3207 4.2)
    FinishConnect();
}

void TCustomSmtpClient::HandleReply(const QString& line) {
    emit OnDisplay(this, QStringLiteral("< ") + line);
    if (!AwaitingReply()) {
        return; // a handler aborted meanwhile
    }
    if (ehloInFlight_) {
        extensions_.Note(line);
    }
    const SmtpReplyLine reply = ParseSmtpReply(line);
    if (reply.Continues) {
        return;
    }
    ehloInFlight_ = false;
    status_ = reply.Code;
    if (SmtpReplyAccepted(reply.Code, accepted_)) {
        errorCode_ = WsaError::NoError;
    } else {
        errorCode_ = SmtpReplyError(reply.Code);
        serverReply_ = line;
        if (errorMessage_.isEmpty()) {
            errorMessage_ = line;
        }
    }
    ReplyIn(reply.Code);
}

// ---- Completion

// The final line of a reply is in: the step it leads to, or the end of the request.
void TCustomSmtpClient::ReplyIn(int code) {
    switch (phase_) {
    case Phase::HeloEhlo:
        if (code >= 500 && code < 600) {
            extensions_ = {};
            BeginRequest(SmtpRequest::Helo);
            SendCommand(Phase::Command, QStringLiteral("HELO ") + GreetingName(), Accepts250);
            return;
        }
        break;
    case Phase::RcptTo:
        // The next recipient whatever the reply; the last one decides.
        if (rcptIndex_ + 1 < mail_.RcptTo().size()) {
            ++rcptIndex_;
            SendRecipient();
            return;
        }
        recipientRefused_ = errorCode_ != WsaError::NoError;
        break;
    case Phase::Data:
        if (errorCode_ == WsaError::NoError) {
            StartText();
            return;
        }
        break;
    case Phase::Group:
        try {
            GroupReplyIn();
        } catch (const ClientException& e) {
            FailStep(ProtocolErrorCode, connection_.ExceptionFailure(e));
        }
        return;
    default:
        break;
    }
    Finish(errorCode_);
    if (rqType_ == SmtpRequest::Quit) {
        connection_.Close(); // some servers wait for our close after their answer
    }
}

// A step has ended with `error`: Mail goes on to its next step, or tidies up after a refusal
// with RSET; anything else is reported.
void TCustomSmtpClient::Finish(quint16 error, bool mayReset) {
    if (reported_) {
        return;
    }
    reported_ = true;
    if (phase_ == Phase::Reset) {
        // The RSET only tidied up; the request ends with what refused the message.
        Report(chainError_);
    } else if (error == WsaError::NoError &&
               (phase_ == Phase::MailFrom || phase_ == Phase::RcptTo)) {
        StepDone();
    } else if (mayReset && TransactionOpen() && connection_.Connected()) {
        // Servers keep the sender and recipients of a refused message and answer the next
        // MAIL FROM with 503; RSET clears them so the next message goes through.
        chainError_ = error;
        SendCommand(Phase::Reset, QStringLiteral("RSET"), Accepts250);
    } else {
        Report(error);
    }
}

void TCustomSmtpClient::Report(quint16 error) {
    reported_ = true;
    SetPhase(followerSent_ ? Phase::Following : Phase::Idle);
    connection_.Post([this, type = rqType_, error] { emit OnRequestDone(this, type, error); });
}

// ---- Connection events

void TCustomSmtpClient::ConnectionConnecting() {
    SetPhase(Phase::Connecting);
}

void TCustomSmtpClient::ConnectionFailed(quint16 error, const QString& response) {
    lastResponse_ = response;
    status_ = ProtocolErrorCode;
    errorCode_ = error;
    if (errorMessage_.isEmpty()) {
        errorMessage_ = response;
    }
    Finish(error);
}

void TCustomSmtpClient::ConnectionUp() {
    SetPhase(Phase::Greeting);
}

void TCustomSmtpClient::ConnectionLineTooLong() {
    if (!reported_) {
        if (errorMessage_.isEmpty()) {
            errorMessage_ = LineReceiver::LineTooLongMessage();
        }
        errorCode_ = LineReceiver::LineTooLongError;
        Finish(LineReceiver::LineTooLongError, false);
    }
    DropFollower();
}

void TCustomSmtpClient::ConnectionClosed(quint16 error) {
    emit OnSessionClosed(this, error);
    Finish(WsaError::Interrupted, false);
    DropFollower();
}

} // namespace sievra
