#include "TCustomSmtpClient.h"

#include "SmtpDate.h"
#include "SocketError.h"
#include "TWSocket.h"

#include <QHostInfo>

namespace sievra {

namespace {

const QList<int> Accepts250 = {250};

// "Subject" of "Subject: hello", for error texts that say which line is at fault.
QString FieldName(const QString& line) {
    const qsizetype colon = line.indexOf(u':');
    return colon < 0 ? line.left(40) : line.left(colon);
}

// The reason a header line cannot go out, or an empty text when it can. Fills `wire` with
// its wire lines.
QString HeaderLineProblem(const QString& line, QByteArrayList& wire) {
    if (HasLineBreak(line)) {
        return QStringLiteral("Header line contains a line break: ") + FieldName(line);
    }
    // Header values are ASCII once encoded; only an address under SMTPUTF8 may not be.
    const auto folded = FoldHeaderLine(line.toUtf8());
    if (!folded) {
        return QStringLiteral("Header line longer than %1 characters cannot be folded: %2")
            .arg(SmtpMaxLineLength)
            .arg(FieldName(line));
    }
    wire = *folded;
    return {};
}

// "MAIL FROM:<a@x>" from "a@x", or the address as given when it has its own brackets.
QString PathCommand(const QString& verb, const QString& address) {
    const QString trimmed = address.trimmed();
    if (address.contains(u'<') && address.contains(u'>')) {
        return verb + trimmed;
    }
    return verb + QStringLiteral("<") + trimmed + QStringLiteral(">");
}

} // namespace

TCustomSmtpClient::TCustomSmtpClient(QObject* parent)
    : TCustomSmtpClient(std::make_unique<TWSocket>(), parent) {}

TCustomSmtpClient::TCustomSmtpClient(std::unique_ptr<Transport> transport, QObject* parent)
    : QObject(parent)
    , connection_(*this, std::move(transport), QStringLiteral("500 ")) {}

TCustomSmtpClient::~TCustomSmtpClient() = default;

// ---- Starting requests

void TCustomSmtpClient::RequireReady() const {
    // Between the steps of Mail the state is smtpInternalReady too; a request from outside
    // then would land in the middle of the message.
    if ((state_ != smtpReady && state_ != smtpInternalReady) || inChain_) {
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

void TCustomSmtpClient::StartCommand(SmtpRequest type, const QString& command,
                                     const QList<int>& accepted, Next next) {
    if (state_ != smtpReady && state_ != smtpInternalReady) {
        throw SmtpException(QStringLiteral("SMTP component not ready"));
    }
    if (!connection_.Connected()) {
        throw SmtpException(QStringLiteral("SMTP component not connected"));
    }
    if (connection_.Unprotected()) {
        // Cannot happen after a completed connect; a guard, since the cost would be a password.
        throw SmtpException(QStringLiteral("SMTP component not encrypted"));
    }
    if (!inChain_) {
        BeginRequest(type);
    }
    accepted_ = accepted;
    reported_ = false;
    next_ = next;
    state_ = smtpWaitingResponse;
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
    tlsStep_ = TlsStep::None;
    startTlsOffered_ = false;
    state_ = smtpDnsLookup;
    try {
        // The text of DATA goes out one short line at a time. With Nagle's algorithm each line
        // after the first would wait for the server's delayed acknowledgement (40 ms here),
        // since the server answers nothing until the final ".".
        connection_.Open(host_, port_, security_, pinnedCertificate_, true);
    } catch (const ClientException&) {
        // Not started: no event will follow.
        state_ = smtpReady;
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

void TCustomSmtpClient::SendEhlo(SmtpRequest type, Next next) {
    RequireCanStart();
    if (HasLineBreak(signOn_)) {
        throw SmtpException(QStringLiteral("HELO name contains a line break"));
    }
    extensions_ = {};
    ehloInFlight_ = true;
    StartCommand(type, QStringLiteral("EHLO ") + GreetingName(), Accepts250, next);
}

void TCustomSmtpClient::Helo() {
    SendEhlo(SmtpRequest::Helo, Next::HeloFallback);
}

void TCustomSmtpClient::Ehlo() {
    SendEhlo(SmtpRequest::Ehlo, Next::Complete);
}

void TCustomSmtpClient::AuthLogin() {
    RequireCanStart();
    StartCommand(SmtpRequest::AuthLogin, QStringLiteral("AUTH LOGIN"), Accepts250);
}

void TCustomSmtpClient::AuthUser() {
    RequireCanStart();
    StartCommand(SmtpRequest::AuthUser, QString::fromLatin1(user_.toUtf8().toBase64()), Accepts250);
}

void TCustomSmtpClient::AuthPass() {
    RequireCanStart();
    StartCommand(SmtpRequest::AuthPass, QString::fromLatin1(password_.toUtf8().toBase64()),
                 Accepts250);
}

QString TCustomSmtpClient::CheckedPath(const QString& verb, const QString& address) const {
    const QString command = PathCommand(verb, address);
    if (HasLineBreak(command)) {
        throw SmtpException(QStringLiteral("Address contains a line break"));
    }
    return command;
}

void TCustomSmtpClient::MailFrom() {
    RequireCanStart();
    StartCommand(SmtpRequest::MailFrom, CheckedPath(QStringLiteral("MAIL FROM:"), fromName_),
                 Accepts250);
}

void TCustomSmtpClient::RcptTo() {
    RequireCanStart();
    if (rcptName_.isEmpty()) {
        throw SmtpException(QStringLiteral("RcptName list is empty"));
    }
    StartCommand(SmtpRequest::RcptTo, CheckedPath(QStringLiteral("RCPT TO:"), rcptName_.first()),
                 {250, 251});
}

void TCustomSmtpClient::Rset() {
    RequireCanStart();
    StartCommand(SmtpRequest::Rset, QStringLiteral("RSET"), Accepts250);
}

void TCustomSmtpClient::Quit() {
    RequireReady();
    if (!connection_.Connected()) {
        BeginRequest(SmtpRequest::Quit);
        reported_ = false;
        Complete(WsaError::NoError);
        return;
    }
    StartCommand(SmtpRequest::Quit, QStringLiteral("QUIT"), {221});
}

void TCustomSmtpClient::Abort() {
    state_ = smtpAbort;
    // A pending lookup ends through ConnectionFailed, a connection through
    // ConnectionClosed; both complete the pending request with 10004.
    connection_.Abort();
    if (!reported_) {
        Complete(WsaError::Interrupted, false);
    }
    state_ = smtpReady;
}

// ---- Mail

TCustomSmtpClient::PreparedMail TCustomSmtpClient::PrepareMail() {
    // Everything is checked here, before MAIL FROM goes out: a refused message leaves nothing
    // behind on the server.
    if (rcptName_.isEmpty()) {
        throw SmtpException(QStringLiteral("RcptName list is empty"));
    }
    PreparedMail mail;
    mail.MailFrom = PathCommand(QStringLiteral("MAIL FROM:"), fromName_);
    if (HasLineBreak(mail.MailFrom)) {
        throw SmtpException(QStringLiteral("Sender address contains a line break"));
    }
    bool ascii = IsAscii(fromName_);
    for (const QString& rcpt : rcptName_) {
        mail.RcptTo.append(PathCommand(QStringLiteral("RCPT TO:"), rcpt));
        if (HasLineBreak(mail.RcptTo.last())) {
            throw SmtpException(QStringLiteral("Recipient address contains a line break"));
        }
        ascii = ascii && IsAscii(rcpt);
    }
    // A server without SMTPUTF8 cannot take such an address; it would refuse it, or worse,
    // mangle it (RFC 6531 3.4).
    if (!ascii && !extensions_.SmtpUtf8) {
        throw SmtpException(
            QStringLiteral("Address is not ASCII and the server does not offer SMTPUTF8"));
    }
    mail.Header = header_;
    for (const QString& line : SmtpHeaderLines(mail.Header, SmtpDateNow())) {
        QByteArrayList wire;
        const QString problem = HeaderLineProblem(line, wire);
        if (!problem.isEmpty()) {
            throw SmtpException(problem);
        }
    }
    mail.Body = TakeBody();
    mail.Header.Encoding = ChooseBodyEncoding(mail.Body, extensions_.EightBitMime);
    const QString fromAddress = AddressPart(mail.Header.From);
    const qsizetype at = fromAddress.lastIndexOf(QLatin1Char('@'));
    mail.Header.MessageId = NewMessageId(at >= 0 ? fromAddress.mid(at + 1) : GreetingName());
    if (mail.Header.Encoding.Cte == BodyEncoding::Transfer::EightBit) {
        mail.MailFrom += QStringLiteral(" BODY=8BITMIME"); // RFC 6152 2
    }
    if (!ascii) {
        mail.MailFrom += QStringLiteral(" SMTPUTF8");
    }
    return mail;
}

// The whole body before MAIL FROM: its charset and transfer encoding depend on every line.
QStringList TCustomSmtpClient::TakeBody() {
    PrepareBody();
    QStringList body;
    QString line;
    for (int lineNum = 1; NextBodyLine(lineNum, line); ++lineNum) {
        body.append(SplitAtLineBreaks(line));
        line.clear();
    }
    return body;
}

void TCustomSmtpClient::Mail() {
    RequireCanStart();
    mail_ = PrepareMail();
    rqType_ = SmtpRequest::Mail;
    lastResponse_.clear();
    errorMessage_.clear();
    serverReply_.clear();
    recipientRefused_ = false;
    errorCode_ = 0;
    inChain_ = true;
    step_ = Step::MailFrom;
    transactionOpen_ = false;
    resetting_ = false;
    sendingText_ = false;
    StartCommand(SmtpRequest::Mail, mail_.MailFrom, Accepts250);
}

void TCustomSmtpClient::StepDone() {
    reported_ = false; // the next step is pending from here on
    try {
        if (step_ == Step::MailFrom) {
            transactionOpen_ = true;
            step_ = Step::RcptTo;
            rcptIndex_ = 0;
            SendRecipient();
        } else {
            step_ = Step::Data;
            StartData();
        }
    } catch (const ClientException& e) {
        FailStep(ProtocolErrorCode, connection_.ExceptionFailure(e));
    }
}

void TCustomSmtpClient::SendRecipient() {
    StartCommand(SmtpRequest::Mail, mail_.RcptTo.at(rcptIndex_), {250, 251}, Next::NextRecipient);
}

void TCustomSmtpClient::StartData() {
    bodyIndex_ = 0;
    QStringList header = SmtpHeaderLines(mail_.Header, SmtpDateNow());
    emit OnProcessHeader(this, &header);
    header.append(QString());
    if (PrepareHeaderLines(header)) {
        StartCommand(SmtpRequest::Mail, QStringLiteral("DATA"), {354}, Next::SendText);
    }
}

bool TCustomSmtpClient::PrepareHeaderLines(const QStringList& lines) {
    // The handlers see every line before DATA goes out, so a line they break fails the
    // request while the message has not begun.
    headerWire_.clear();
    headerIndex_ = 0;
    for (QString line : lines) {
        emit OnHeaderLine(this, &line, 1024);
        QByteArrayList wire;
        const QString problem = HeaderLineProblem(line, wire);
        if (!problem.isEmpty()) {
            FailStep(ProtocolErrorCode, QStringLiteral("500 ") + problem);
            return false;
        }
        headerWire_.append(wire);
    }
    return true;
}

void TCustomSmtpClient::StartText() {
    state_ = smtpInternalReady;
    sendingText_ = true;
    connection_.SetCork(true);
    pendingWire_.clear();
    headerIndex_ = 0;
    SendNextTextLine();
}

bool TCustomSmtpClient::NextWireLine(QByteArray& line) {
    while (pendingWire_.isEmpty()) {
        if (headerIndex_ < headerWire_.size()) {
            pendingWire_ = headerWire_.at(headerIndex_++);
            wireIsHeader_ = true;
            continue;
        }
        wireIsHeader_ = false;
        if (bodyIndex_ >= mail_.Body.size()) {
            return false;
        }
        const BodyEncoding& encoding = mail_.Header.Encoding;
        const bool utf8 = encoding.Charset != QStringLiteral("iso-8859-1");
        for (const QByteArray& encoded : EncodeBodyLine(mail_.Body.at(bodyIndex_++), encoding)) {
            pendingWire_.append(BodyWireLines(encoded, utf8));
        }
    }
    line = pendingWire_.takeFirst();
    return true;
}

void TCustomSmtpClient::SendNextTextLine() {
    if (!connection_.Connected()) {
        // The session-closed path completes the request.
        sendingText_ = false;
        return;
    }
    QByteArray line;
    if (NextWireLine(line)) {
        // Header lines are UTF-8 (ASCII but for an address under SMTPUTF8); the body is in its
        // charset.
        const bool latin1 =
            !wireIsHeader_ && mail_.Header.Encoding.Charset == QStringLiteral("iso-8859-1");
        emit OnDisplay(this, QStringLiteral("> ") +
                                 (latin1 ? QString::fromLatin1(line) : QString::fromUtf8(line)));
        SendWire(line + "\r\n");
        return;
    }
    sendingText_ = false;
    transactionOpen_ = false; // the server ends the transaction with its reply to "."
    StartCommand(SmtpRequest::Mail, QStringLiteral("."), Accepts250);
    // The text lines left one at a time into a corked socket, which packed them into full
    // segments instead of one small segment a line; uncorking sends the rest at once.
    connection_.SetCork(false);
}

void TCustomSmtpClient::ConnectionAllSent() {
    if (!sendingText_ || state_ != smtpInternalReady) {
        return;
    }
    try {
        SendNextTextLine();
    } catch (const ClientException& e) {
        FailStep(ProtocolErrorCode, connection_.ExceptionFailure(e));
    }
}

bool TCustomSmtpClient::NextBodyLine(int lineNum, QString& line) {
    bool more = false;
    QString text;
    emit OnGetData(this, lineNum, &text, SmtpMaxLineLength, &more);
    if (more) {
        line = text;
    }
    return more;
}

void TCustomSmtpClient::FailStep(quint16 error, const QString& message) {
    if (errorMessage_.isEmpty()) {
        errorMessage_ = message;
    }
    errorCode_ = error;
    Complete(error);
}

// ---- Receiving

void TCustomSmtpClient::ConnectionLine(const QByteArray& bytes) {
    const QString line = QString::fromUtf8(bytes);
    lastResponse_ = line;
    emit OnResponse(this, line);
    if (tlsStep_ != TlsStep::None && state_ == smtpWaitingBanner) {
        HandleTlsLine(line);
        return;
    }
    switch (state_) {
    case smtpWaitingBanner:
        HandleGreeting(line);
        break;
    case smtpWaitingResponse:
        HandleReply(line);
        break;
    default:
        emit OnDisplay(this, QStringLiteral("< ") + line);
        break;
    }
}

void TCustomSmtpClient::HandleGreeting(const QString& line) {
    emit OnDisplay(this, QStringLiteral("< ") + line);
    if (state_ != smtpWaitingBanner) {
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
    state_ = smtpConnected;
    emit OnSessionConnected(this, WsaError::NoError);
    Complete(WsaError::NoError);
}

// ---- STARTTLS

// STARTTLS is an extension, so the server has to name it in its EHLO reply first.
void TCustomSmtpClient::BeginStartTls() {
    startTlsOffered_ = false;
    tlsStep_ = TlsStep::EhloSent;
    try {
        SendNegotiation(QStringLiteral("EHLO ") + GreetingName());
    } catch (const ClientException& e) {
        FailTls(QStringLiteral("TLS: ") + e.Message());
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
    if (tlsStep_ == TlsStep::EhloSent) {
        startTlsOffered_ = startTlsOffered_ || SmtpLineOffers(line, u"STARTTLS");
        if (reply.Continues) {
            return;
        }
        if (connection_.Security() == ConnectionSecurity::None) { // a probe: clear unless offered
            if (reply.Code != 250 || !startTlsOffered_) {
                tlsStep_ = TlsStep::None;
                FinishConnect();
                return;
            }
            connection_.UpgradeToStartTls();
        }
        if (reply.Code != 250) {
            serverReply_ = line;
            QuitAfterRefusal();
            FailTls(QStringLiteral("TLS: the server refused EHLO (") + line + QLatin1Char(')'));
        } else if (!startTlsOffered_) {
            QuitAfterRefusal();
            FailTls(QStringLiteral("TLS: the server does not offer STARTTLS"));
        } else {
            tlsStep_ = TlsStep::StartTlsSent;
            try {
                SendNegotiation(QStringLiteral("STARTTLS"));
            } catch (const ClientException& e) {
                FailTls(QStringLiteral("TLS: ") + e.Message());
            }
        }
        return;
    }
    if (tlsStep_ != TlsStep::StartTlsSent || reply.Continues) {
        return;
    }
    // Whatever follows the reply came in clear and may not be the server's (RFC 3207).
    connection_.ClearLines();
    if (reply.Code != 220) {
        serverReply_ = line;
        QuitAfterRefusal();
        FailTls(QStringLiteral("TLS: the server refused STARTTLS (") + line + QLatin1Char(')'));
        return;
    }
    tlsStep_ = TlsStep::Handshake;
    connection_.StartTls();
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
    if (tlsStep_ != TlsStep::Handshake || state_ != smtpWaitingBanner) {
        return;
    }
    tlsStep_ = TlsStep::None;
    extensions_ = {}; // what came in clear may have been changed on the way (RFC 3207 4.2)
    FinishConnect();
}

// The connect fails and the connection goes; a session that was to be encrypted never goes on
// in clear.
void TCustomSmtpClient::FailTls(const QString& reason) {
    tlsStep_ = TlsStep::None;
    connection_.FailTls(reason);
}

void TCustomSmtpClient::HandleReply(const QString& line) {
    emit OnDisplay(this, QStringLiteral("< ") + line);
    if (state_ != smtpWaitingResponse) {
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
    switch (next_) {
    case Next::Complete:
        Complete(errorCode_);
        if (rqType_ == SmtpRequest::Quit) {
            connection_.Close(); // some servers wait for our close after their answer
        }
        break;
    case Next::HeloFallback:
        if (reply.Code >= 500 && reply.Code < 600) {
            extensions_ = {};
            state_ = smtpInternalReady;
            StartCommand(SmtpRequest::Helo, QStringLiteral("HELO ") + GreetingName(), Accepts250);
        } else {
            Complete(errorCode_);
        }
        break;
    case Next::NextRecipient:
        if (rcptIndex_ + 1 < mail_.RcptTo.size()) {
            ++rcptIndex_;
            state_ = smtpInternalReady;
            SendRecipient();
        } else {
            recipientRefused_ = errorCode_ != WsaError::NoError;
            Complete(errorCode_);
        }
        break;
    case Next::SendText:
        if (errorCode_ == WsaError::NoError) {
            StartText();
        } else {
            Complete(errorCode_);
        }
        break;
    }
}

void TCustomSmtpClient::ConnectionLineTooLong() {
    if (!reported_) {
        if (errorMessage_.isEmpty()) {
            errorMessage_ = LineReceiver::LineTooLongMessage();
        }
        errorCode_ = LineReceiver::LineTooLongError;
        Complete(LineReceiver::LineTooLongError, false);
    }
}

// ---- Completion

void TCustomSmtpClient::Complete(quint16 error, bool mayReset) {
    if (reported_) {
        return;
    }
    reported_ = true;
    if (resetting_) {
        // The RSET only tidied up; the request ends with what refused the message.
        resetting_ = false;
        error = chainError_;
    } else if (inChain_ && error == WsaError::NoError && step_ != Step::Data) {
        if (state_ != smtpAbort) {
            state_ = smtpInternalReady;
        }
        StepDone();
        return;
    } else if (inChain_ && mayReset && transactionOpen_ && connection_.Connected() &&
               state_ != smtpAbort) {
        // Servers keep the sender and recipients of a refused message and answer the next
        // MAIL FROM with 503; RSET clears them so the next message goes through.
        resetting_ = true;
        chainError_ = error;
        transactionOpen_ = false;
        state_ = smtpInternalReady;
        StartCommand(SmtpRequest::Mail, QStringLiteral("RSET"), Accepts250);
        return;
    }
    state_ = smtpReady;
    inChain_ = false;
    transactionOpen_ = false;
    sendingText_ = false;
    PostRequestDone(rqType_, error);
}

void TCustomSmtpClient::PostRequestDone(SmtpRequest type, quint16 error) {
    connection_.Post([this, type, error] { emit OnRequestDone(this, type, error); });
}

// ---- Connection events

void TCustomSmtpClient::ConnectionConnecting() {
    state_ = smtpConnecting;
}

void TCustomSmtpClient::ConnectionFailed(quint16 error, const QString& response) {
    lastResponse_ = response;
    status_ = ProtocolErrorCode;
    errorCode_ = error;
    if (errorMessage_.isEmpty()) {
        errorMessage_ = response;
    }
    Complete(error);
}

void TCustomSmtpClient::ConnectionUp() {
    state_ = smtpWaitingBanner;
}

void TCustomSmtpClient::ConnectionClosed(quint16 error) {
    tlsStep_ = TlsStep::None;
    sendingText_ = false;
    emit OnSessionClosed(this, error);
    Complete(WsaError::Interrupted, false);
}

} // namespace sievra
