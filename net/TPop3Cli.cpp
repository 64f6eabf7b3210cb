#include "TPop3Cli.h"

#include "Pop3Reply.h"
#include "SocketError.h"

#include <QCoreApplication>
#include <QPointer>

namespace sievra {

namespace {

QString SocketFailureText(quint16 error) {
    return QStringLiteral("-ERR %1 (Winsock error #%2)").arg(WSocketErrorDesc(error)).arg(error);
}

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

} // namespace

TCustomPop3Cli::TCustomPop3Cli(QObject* parent)
    : QObject(parent) {
    connect(&socket_, &TWSocket::OnDnsLookupDone, this,
            [this](TWSocket*, quint16 error) { DnsLookupDone(error); });
    connect(&socket_, &TWSocket::OnSessionConnected, this,
            [this](TWSocket*, quint16 error) { SocketConnected(error); });
    connect(&socket_, &TWSocket::OnDataAvailable, this, [this] { SocketDataAvailable(); });
    connect(&socket_, &TWSocket::OnSessionClosed, this,
            [this](TWSocket*, quint16 error) { SocketClosed(error); });
    connect(&socket_, &TWSocket::OnTlsDone, this,
            [this](TWSocket*, quint16 error) { SocketTlsDone(error); });
}

TCustomPop3Cli::~TCustomPop3Cli() {
    // The socket goes quietly with us; nothing may call back into a half-destroyed client.
    socket_.disconnect(this);
}

TCustomPop3Cli::Plan TCustomPop3Cli::PlanFor(TPop3Request type) {
    switch (type) {
    case pop3User:
        return {pop3WaitingPass, Continuation::None};
    case pop3Pass:
        return {pop3Transaction, Continuation::None};
    case pop3Stat:
        return {pop3Transaction, Continuation::Stat};
    case pop3Top:
    case pop3Retr:
        return {pop3Transaction, Continuation::Top};
    case pop3List:
        return {pop3Transaction, Continuation::List};
    case pop3Dele:
    case pop3Rset:
        return {pop3Transaction, Continuation::None};
    case pop3Quit:
    case pop3Connect:
        break;
    }
    return {pop3Disconnected, Continuation::None};
}

// ---- Starting requests

void TCustomPop3Cli::RequireReady() const {
    if (state_ != pop3Ready && state_ != pop3InternalReady) {
        throw Pop3Exception(QStringLiteral("POP3 component not ready"));
    }
}

void TCustomPop3Cli::RequireReadyAndConnected() const {
    RequireReady();
    if (!connected_) {
        throw Pop3Exception(QStringLiteral("POP3 component not connected"));
    }
}

void TCustomPop3Cli::RaiseInvalidNow(const QString& command) {
    errorMessage_ = QStringLiteral("-ERR %1 command invalid now").arg(command);
    emit OnDisplay(this, errorMessage_);
    throw Pop3Exception(errorMessage_);
}

void TCustomPop3Cli::BeginRequest(TPop3Request type) {
    lines_.SetCutLongLines(false);
    rqType_ = type;
    requestDone_ = false;
    errorCode_ = 0;
    errorMessage_.clear();
    serverReply_.clear();
    ++serial_;
}

void TCustomPop3Cli::BeginCommand(TPop3Request type) {
    BeginRequest(type);
    const Plan plan = PlanFor(type);
    nextProtocolState_ = plan.next;
    continuation_ = plan.continuation;
    multiLine_ = false;
    state_ = pop3WaitingResponse;
}

void TCustomPop3Cli::StartCommand(TPop3Request type, const QString& command) {
    RequireReadyAndConnected();
    if (sessionSecurity_ != ConnectionSecurity::None && !socket_.IsEncrypted()) {
        // Cannot happen after a completed connect; a guard, since the cost would be a password.
        throw Pop3Exception(QStringLiteral("POP3 component not encrypted"));
    }
    BeginCommand(type);
    emit OnDisplay(this, QStringLiteral("> ") + command);

    // What was posted before this command runs first (an earlier completion, a queued call).
    // Socket, timer and input notifications are left to the caller's wait, which follows at
    // once: polling the system for them here would cost every request a system call and change
    // no outcome, since a close or an Abort seen before or after the send ends the request with
    // 10004 either way. What ran may have ended this request: then it has been reported and
    // nothing goes out.
    const QPointer<TCustomPop3Cli> alive(this);
    const quint64 serial = serial_;
    QCoreApplication::sendPostedEvents();
    if (!alive || serial != serial_ || requestDone_ || !connected_) {
        return;
    }
    try {
        socket_.SendText(command + QStringLiteral("\r\n"));
    } catch (...) {
        // The request never went out; the caller hears of it through the exception alone.
        if (!requestDone_) {
            requestDone_ = true;
            state_ = pop3Ready;
        }
        throw;
    }
}

void TCustomPop3Cli::Connect() {
    RequireReady();
    if (connected_) {
        throw Pop3Exception(QStringLiteral("POP3 component already connected"));
    }
    BeginRequest(pop3Connect);
    lines_.Clear();
    sessionSecurity_ = security_;
    tlsStep_ = TlsStep::None;
    startTlsOffered_ = false;
    tlsError_.clear();
    state_ = pop3DnsLookup;
    try {
        // A dotted address completes inside this call and goes on to the TCP connect.
        socket_.LookupHost(host_);
    } catch (...) {
        // No lookup started (an empty host): nothing is pending, the client stays usable.
        if (state_ == pop3DnsLookup) {
            requestDone_ = true;
            state_ = pop3Ready;
        }
        throw;
    }
}

void TCustomPop3Cli::User() {
    if (protocolState_ != pop3Disconnected && protocolState_ != pop3WaitingUser) {
        RaiseInvalidNow(QStringLiteral("USER"));
    }
    RequireReadyAndConnected();
    const QString name = TrimPop3Argument(userName_);
    // A line break would smuggle a second command onto the wire.
    if (HasLineBreak(name)) {
        throw Pop3Exception(QStringLiteral("Line break in the user name"));
    }
    StartCommand(pop3User, QStringLiteral("USER ") + name);
}

void TCustomPop3Cli::Pass() {
    if (protocolState_ == pop3Transaction) {
        RaiseInvalidNow(QStringLiteral("PASS"));
    }
    RequireReadyAndConnected();
    const QString password = TrimPop3Argument(passWord_);
    if (HasLineBreak(password)) {
        throw Pop3Exception(QStringLiteral("Line break in the password"));
    }
    StartCommand(pop3Pass, QStringLiteral("PASS ") + password);
}

void TCustomPop3Cli::Stat() {
    if (protocolState_ != pop3Transaction) {
        RaiseInvalidNow(QStringLiteral("STAT"));
    }
    StartCommand(pop3Stat, QStringLiteral("STAT"));
}

void TCustomPop3Cli::Top() {
    if (msgLines_ < 0) {
        throw Pop3Exception(QStringLiteral("Invalid MsgLines for TOP command"));
    }
    if (protocolState_ != pop3Transaction) {
        RaiseInvalidNow(QStringLiteral("TOP"));
    }
    StartCommand(pop3Top, QStringLiteral("TOP ") + QString::number(msgNum_) + QLatin1Char(' ') +
                              QString::number(msgLines_));
}

void TCustomPop3Cli::Retr() {
    if (protocolState_ != pop3Transaction) {
        RaiseInvalidNow(QStringLiteral("RETR"));
    }
    StartCommand(pop3Retr, QStringLiteral("RETR ") + QString::number(msgNum_));
}

void TCustomPop3Cli::List() {
    if (protocolState_ != pop3Transaction) {
        RaiseInvalidNow(QStringLiteral("LIST"));
    }
    StartCommand(pop3List, QStringLiteral("LIST ") + QString::number(msgNum_));
}

void TCustomPop3Cli::Dele() {
    if (protocolState_ != pop3Transaction) {
        RaiseInvalidNow(QStringLiteral("DELE"));
    }
    StartCommand(pop3Dele, QStringLiteral("DELE ") + QString::number(msgNum_));
}

void TCustomPop3Cli::Rset() {
    if (protocolState_ != pop3Transaction) {
        RaiseInvalidNow(QStringLiteral("RSET"));
    }
    StartCommand(pop3Rset, QStringLiteral("RSET"));
}

void TCustomPop3Cli::Quit() {
    // Not connected raises like every other command: there is no session to end, and the
    // client stays ready.
    StartCommand(pop3Quit, QStringLiteral("QUIT"));
}

void TCustomPop3Cli::Abort() {
    state_ = pop3Abort;
    // A pending lookup ends through DnsLookupDone(10004), an open connection through
    // SocketClosed; both complete what is pending with 10004.
    socket_.Abort();
    if (!requestDone_) {
        ReportDone(WsaError::Interrupted);
    }
    state_ = pop3Ready;
}

// ---- Connecting

void TCustomPop3Cli::FailConnect(quint16 error, const QString& response) {
    lastResponse_ = response;
    errorCode_ = error;
    if (errorMessage_.isEmpty()) {
        errorMessage_ = lastResponse_;
    }
    ReportDone(error);
}

void TCustomPop3Cli::DnsLookupDone(quint16 error) {
    if (rqType_ != pop3Connect || requestDone_ ||
        (state_ != pop3DnsLookup && state_ != pop3Abort)) {
        return;
    }
    if (error != WsaError::NoError) {
        FailConnect(error, SocketFailureText(error));
        return;
    }
    state_ = pop3Connecting;
    try {
        socket_.SetAddr(socket_.DnsResult());
        socket_.SetProto(QStringLiteral("tcp"));
        socket_.SetPort(port_);
        socket_.SetTlsFromConnect(sessionSecurity_ == ConnectionSecurity::Tls);
        socket_.SetTlsPeerName(host_);
        socket_.SetTlsPinnedFingerprint(pinnedCertificate_);
        socket_.Connect();
    } catch (const ClientException& e) {
        FailConnect(ProtocolErrorCode,
                    QStringLiteral("-ERR %1: %2").arg(e.ClassName(), e.Message()));
    }
}

void TCustomPop3Cli::SocketConnected(quint16 error) {
    if (state_ != pop3Connecting) {
        return;
    }
    if (error != WsaError::NoError) {
        connected_ = false;
        if (error == TlsErrorCode) {
            tlsError_ = socket_.TlsError();
            FailConnect(error, QStringLiteral("-ERR ") + tlsError_);
        } else {
            FailConnect(error, SocketFailureText(error));
        }
        socket_.Close();
        state_ = pop3Ready;
        return;
    }
    connected_ = true;
    state_ = pop3WaitingBanner;
}

// ---- Receiving

void TCustomPop3Cli::SocketDataAvailable() {
    // Not again from inside a handler of ours that runs the event loop: the lines still being
    // handed over sit in the buffer, and the loop below takes what came meanwhile.
    if (receiving_) {
        return;
    }
    const QPointer<TCustomPop3Cli> alive(this);
    receiving_ = true;
    do {
        const auto status =
            lines_.ReceiveLines(socket_, [this](const QByteArray& line) { ProcessLine(line); });
        if (!alive) {
            return;
        }
        if (status == LineReceiver::Status::LineTooLong) {
            FailLineTooLong();
        }
        // Bytes that arrived while a handler ran are not announced again.
    } while (connected_ && socket_.BytesAvailable() > 0);
    receiving_ = false;
}

LineReceiver::Status TCustomPop3Cli::TakeLines() {
    return lines_.TakeLines([this](const QByteArray& line) { ProcessLine(line); });
}

void TCustomPop3Cli::ProcessLine(const QByteArray& line) {
    lastLine_ = line;
    lastResponse_ = QString::fromUtf8(line);
    emit OnResponse(this, lastResponse_);
    switch (state_) {
    case pop3WaitingBanner:
        if (tlsStep_ == TlsStep::StlsSent) {
            StlsReply();
        } else if (tlsStep_ == TlsStep::CapaSent) {
            CapaReply();
        } else if (tlsStep_ == TlsStep::None) {
            ProcessGreeting();
        }
        break;
    case pop3WaitingResponse:
        if (multiLine_) {
            MultiLineReply();
        } else {
            SingleLineReply();
        }
        break;
    default:
        emit OnDisplay(this, QStringLiteral("< ") + lastResponse_);
        break;
    }
}

void TCustomPop3Cli::ProcessGreeting() {
    emit OnDisplay(this, QStringLiteral("< ") + lastResponse_);
    if (!lastResponse_.startsWith(QLatin1Char('+'))) {
        errorCode_ = ProtocolErrorCode;
        serverReply_ = lastResponse_;
        if (errorMessage_.isEmpty()) {
            errorMessage_ = lastResponse_;
        }
        // Nothing more from this server counts; the close completes the connect with 10004.
        lines_.Clear();
        CloseConnection();
        return;
    }
    timestamp_ = GreetingTimestamp(lastResponse_);
    if (sessionSecurity_ == ConnectionSecurity::None && probeStartTls_) {
        tlsStep_ = TlsStep::CapaSent;
        capaAnswered_ = false;
        emit OnDisplay(this, QStringLiteral("> CAPA"));
        try {
            socket_.SendText(QStringLiteral("CAPA\r\n"));
        } catch (const ClientException&) {
            tlsStep_ = TlsStep::None;
            FinishConnect(); // the lost connection ends the next request
        }
        return;
    }
    if (sessionSecurity_ != ConnectionSecurity::StartTls) {
        FinishConnect();
        return;
    }
    SendStls();
}

void TCustomPop3Cli::SendStls() {
    tlsStep_ = TlsStep::StlsSent;
    emit OnDisplay(this, QStringLiteral("> STLS"));
    try {
        socket_.SendText(QStringLiteral("STLS\r\n"));
    } catch (const ClientException& e) {
        FailTls(QStringLiteral("TLS: STLS could not be sent (") + e.Message() + QLatin1Char(')'));
    }
}

// The capability list of a probing connect: STLS offered makes this session a StartTls one,
// from here to its end; anything else leaves it in clear, as the account always was.
void TCustomPop3Cli::CapaReply() {
    emit OnDisplay(this, QStringLiteral("< ") + lastResponse_);
    if (!capaAnswered_) {
        capaAnswered_ = true;
        if (!lastResponse_.startsWith(QLatin1Char('+'))) {
            tlsStep_ = TlsStep::None;
            FinishConnect();
        }
        return;
    }
    if (lastResponse_ != QLatin1String(".")) {
        const QString name = lastResponse_.section(QLatin1Char(' '), 0, 0);
        startTlsOffered_ =
            startTlsOffered_ || name.compare(QLatin1String("STLS"), Qt::CaseInsensitive) == 0;
        return;
    }
    if (!startTlsOffered_) {
        tlsStep_ = TlsStep::None;
        FinishConnect();
        return;
    }
    sessionSecurity_ = ConnectionSecurity::StartTls;
    SendStls();
}

void TCustomPop3Cli::StlsReply() {
    emit OnDisplay(this, QStringLiteral("< ") + lastResponse_);
    // Whatever follows the reply came in clear and may not be the server's (RFC 2595).
    lines_.Clear();
    if (!lastResponse_.startsWith(QLatin1Char('+'))) {
        serverReply_ = lastResponse_;
        // Still in clear and nothing secret said yet: end the session the polite way.
        emit OnDisplay(this, QStringLiteral("> QUIT"));
        try {
            socket_.SendText(QStringLiteral("QUIT\r\n"));
        } catch (const ClientException&) {
            // The close below ends it all the same.
        }
        FailTls(QStringLiteral("TLS: the server refused STLS (") + lastResponse_ +
                QLatin1Char(')'));
        return;
    }
    tlsStep_ = TlsStep::Handshake;
    try {
        socket_.StartTls();
    } catch (const ClientException& e) {
        FailTls(QStringLiteral("TLS: ") + e.Message());
    }
}

void TCustomPop3Cli::SocketTlsDone(quint16 error) {
    if (tlsStep_ != TlsStep::Handshake || state_ != pop3WaitingBanner) {
        return;
    }
    if (error != WsaError::NoError) {
        FailTls(socket_.TlsError());
        return;
    }
    tlsStep_ = TlsStep::None;
    FinishConnect();
}

void TCustomPop3Cli::FinishConnect() {
    protocolState_ = pop3WaitingUser;
    state_ = pop3Connected;
    emit OnSessionConnected(this, WsaError::NoError);
    ReportDone(WsaError::NoError);
}

// The connect fails and the connection goes; a session that was to be encrypted never goes on
// in clear.
void TCustomPop3Cli::FailTls(const QString& reason) {
    tlsStep_ = TlsStep::None;
    tlsError_ = reason;
    FailConnect(TlsErrorCode, QStringLiteral("-ERR ") + reason);
    lines_.Clear();
    CloseConnection();
}

void TCustomPop3Cli::SingleLineReply() {
    emit OnDisplay(this, QStringLiteral("< ") + lastResponse_);
    const bool positive = lastResponse_.startsWith(QLatin1Char('+'));
    if (!positive) {
        errorCode_ = ProtocolErrorCode;
        serverReply_ = lastResponse_;
        if (errorMessage_.isEmpty()) {
            errorMessage_ = lastResponse_;
        }
    }
    if (rqType_ == pop3Quit) {
        // The server has applied the deletions before it answers (RFC 1939 6); some wait for
        // our close after that, so the answer ends the session from our side.
        ReportDone(errorCode_);
        CloseConnection();
        return;
    }
    if (!positive) {
        ReportDone(ProtocolErrorCode);
        return;
    }
    errorCode_ = 0;
    protocolState_ = nextProtocolState_;
    switch (continuation_) {
    case Continuation::Stat:
        ParseStat();
        ReportDone(errorCode_);
        break;
    case Continuation::Top:
        // The "+OK" line itself is not part of the message. A header line too long for the
        // buffer is the message's fault: it is cut, or that one message would fail the
        // session at every pass and nothing after it would ever be screened.
        multiLine_ = true;
        messageLines_ = 0;
        messageBytes_ = 0;
        messageCut_ = false;
        lines_.SetCutLongLines(true);
        emit OnMessageBegin(this);
        break;
    case Continuation::List:
        ParseList();
        ReportDone(errorCode_);
        break;
    case Continuation::None:
        ReportDone(0);
        break;
    }
}

// "+OK 3 1204": the message number, then its size (RFC 1939 5).
void TCustomPop3Cli::ParseList() {
    const QStringList words = lastResponse_.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool ok = false;
    msgListSize_ = words.size() >= 3 ? words[2].toLongLong(&ok) : 0;
    if (!ok || msgListSize_ < 0) {
        msgListSize_ = 0;
        errorCode_ = ProtocolErrorCode;
        errorMessage_ = QStringLiteral("-ERR No message size in the LIST reply");
        emit OnDisplay(this, errorMessage_);
    }
}

void TCustomPop3Cli::ParseStat() {
    const Pop3StatCounts counts = ParseStatReply(lastResponse_);
    msgCount_ = counts.count;
    msgSize_ = counts.size;
    if (counts.negative) {
        errorCode_ = ProtocolErrorCode;
        errorMessage_ = QStringLiteral("-ERR Negative message count in the STAT reply");
        emit OnDisplay(this, errorMessage_);
    }
}

void TCustomPop3Cli::MultiLineReply() {
    if (!connected_) {
        errorMessage_ = QStringLiteral("-ERR Disconneced unexpectedly");
        errorCode_ = ProtocolErrorCode;
        emit OnDisplay(this, errorMessage_);
        ReportDone(ProtocolErrorCode);
        return;
    }
    if (lastResponse_ != QLatin1String(".")) {
        // RFC 1939: a line that begins with the terminating octet has it doubled.
        if (lastResponse_.size() > 1 && lastResponse_[0] == QLatin1Char('.') &&
            lastResponse_[1] == QLatin1Char('.')) {
            lastResponse_.remove(0, 1);
            lastLine_.remove(0, 1);
        }
        if (WithinMessageBounds()) {
            emit OnMessageLine(this);
        }
        return;
    }
    emit OnMessageEnd(this);
    lastResponse_.clear();
    multiLine_ = false;
    lines_.SetCutLongLines(false);
    ReportDone(errorCode_);
}

// Counts the line against the message's bounds; past them the rest of the answer is only
// read, so an answer that never ends costs time (the caller's time-out) but no memory.
bool TCustomPop3Cli::WithinMessageBounds() {
    if (messageCut_) {
        return false;
    }
    ++messageLines_;
    messageBytes_ += lastResponse_.size() + 2;
    if (messageLines_ <= maxMessageLines_ && messageBytes_ <= maxMessageBytes_) {
        return true;
    }
    messageCut_ = true;
    emit OnDisplay(this, QStringLiteral("-- message %1 cut after %2 lines and %3 bytes")
                             .arg(msgNum_)
                             .arg(messageLines_ - 1)
                             .arg(messageBytes_ - lastResponse_.size() - 2));
    return false;
}

void TCustomPop3Cli::FailLineTooLong() {
    // Such a line can never end inside the buffer; waiting for it would only run into the
    // caller's time-out.
    errorCode_ = LineReceiver::LineTooLongError;
    if (errorMessage_.isEmpty()) {
        errorMessage_ = QStringLiteral("-ERR ") + LineReceiver::LineTooLongMessage();
    }
    emit OnDisplay(this, QStringLiteral("-ERR ") + LineReceiver::LineTooLongMessage());
    ReportDone(LineReceiver::LineTooLongError);
    CloseConnection();
}

// ---- Closing and completing

void TCustomPop3Cli::CloseConnection() {
    if (socket_.State() != wsClosed) {
        socket_.Close(); // ends in SocketClosed
    } else if (connected_) {
        SocketClosed(WsaError::NoError); // lines fed without a socket underneath
    }
}

void TCustomPop3Cli::SocketClosed(quint16 error) {
    connected_ = false;
    tlsStep_ = TlsStep::None;
    lines_.Clear();
    emit OnSessionClosed(this, error);
    // Also a QUIT that was not answered: nothing says the server kept our deletions.
    ReportDone(WsaError::Interrupted);
    protocolState_ = pop3Disconnected;
}

void TCustomPop3Cli::ReportDone(quint16 error) {
    if (requestDone_) {
        return;
    }
    requestDone_ = true;
    state_ = pop3Ready;
    QMetaObject::invokeMethod(
        this, [this, type = rqType_, error] { emit OnRequestDone(this, type, error); },
        Qt::QueuedConnection);
}

} // namespace sievra
