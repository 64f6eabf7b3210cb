#include "TPop3Cli.h"

#include "Pop3Reply.h"
#include "SocketError.h"
#include "TWSocket.h"

#include <QCoreApplication>
#include <QPointer>

namespace sievra {

namespace {

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool Positive(const QString& reply) {
    return ClassifyPop3Reply(reply) == Pop3ReplyKind::Ok;
}

} // namespace

TCustomPop3Cli::TCustomPop3Cli(QObject* parent)
    : TCustomPop3Cli(std::make_unique<TWSocket>(), parent) {}

TCustomPop3Cli::TCustomPop3Cli(std::unique_ptr<Transport> transport, QObject* parent)
    : QObject(parent)
    , LineClient(std::move(transport), QStringLiteral("pop3"), QStringLiteral("-ERR ")) {}

TCustomPop3Cli::~TCustomPop3Cli() = default;

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
    case pop3Uidl:
        return {pop3Transaction, Continuation::Uidl};
    case pop3Capa:
        return {pop3WaitingUser, Continuation::Capa};
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
    if (!connection_.Connected()) {
        throw Pop3Exception(QStringLiteral("POP3 component not connected"));
    }
}

void TCustomPop3Cli::RaiseInvalidNow(const QString& command) {
    errorMessage_ = QStringLiteral("-ERR %1 command invalid now").arg(command);
    emit OnDisplay(this, errorMessage_);
    throw Pop3Exception(errorMessage_);
}

void TCustomPop3Cli::BeginRequest(TPop3Request type) {
    connection_.SetCutLongLines(false);
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

void TCustomPop3Cli::StartCommand(TPop3Request type, const QString& command,
                                  std::optional<CommandWindow> batch) {
    RequireReadyAndConnected();
    if (connection_.Unprotected()) {
        // Cannot happen after a completed connect; a guard, since the cost would be a password.
        throw Pop3Exception(QStringLiteral("POP3 component not encrypted"));
    }
    BeginCommand(type);
    batch_ = std::move(batch);
    if (!batch_) {
        emit OnDisplay(this, QStringLiteral("> ") + command);
    }

    // What was posted before this command runs first (an earlier completion, a queued call).
    // Socket, timer and input notifications are left to the caller's wait, which follows at
    // once: polling the system for them here would cost every request a system call and change
    // no outcome, since a close or an Abort seen before or after the send ends the request with
    // 10004 either way. What ran may have ended this request: then it has been reported and
    // nothing goes out.
    const QPointer<TCustomPop3Cli> alive(this);
    const quint64 serial = serial_;
    QCoreApplication::sendPostedEvents();
    if (!alive || serial != serial_ || requestDone_ || !connection_.Connected()) {
        return;
    }
    try {
        if (batch_) {
            SendBatch();
        } else {
            connection_.Send((command + QStringLiteral("\r\n")).toUtf8());
        }
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
    if (connection_.Connected()) {
        throw Pop3Exception(QStringLiteral("POP3 component already connected"));
    }
    BeginRequest(pop3Connect);
    capabilities_ = {};
    uniqueIds_.clear();
    batch_.reset();
    tlsStep_ = TlsStep::None;
    startTlsOffered_ = false;
    state_ = pop3DnsLookup;
    try {
        OpenConnection(security_);
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

void TCustomPop3Cli::Capa() {
    if (protocolState_ != pop3WaitingUser) {
        RaiseInvalidNow(QStringLiteral("CAPA"));
    }
    StartCommand(pop3Capa, QStringLiteral("CAPA"));
}

void TCustomPop3Cli::Uidl() {
    if (protocolState_ != pop3Transaction) {
        RaiseInvalidNow(QStringLiteral("UIDL"));
    }
    uniqueIds_.clear();
    StartCommand(pop3Uidl, QStringLiteral("UIDL"));
}

void TCustomPop3Cli::TopEach(const QList<int>& numbers) {
    if (msgLines_ < 0) {
        throw Pop3Exception(QStringLiteral("Invalid MsgLines for TOP command"));
    }
    if (protocolState_ != pop3Transaction) {
        RaiseInvalidNow(QStringLiteral("TOP"));
    }
    StartEach(pop3Top, QStringLiteral("TOP"), numbers);
}

void TCustomPop3Cli::DeleEach(const QList<int>& numbers) {
    if (protocolState_ != pop3Transaction) {
        RaiseInvalidNow(QStringLiteral("DELE"));
    }
    StartEach(pop3Dele, QStringLiteral("DELE"), numbers);
}

void TCustomPop3Cli::StartEach(TPop3Request type, const QString& word, const QList<int>& numbers) {
    if (numbers.isEmpty()) {
        throw Pop3Exception(QStringLiteral("No message for ") + word);
    }
    const QString lines =
        type == pop3Top ? QLatin1Char(' ') + QString::number(msgLines_) : QString();
    QList<QByteArray> commands;
    commands.reserve(numbers.size());
    for (const int number : numbers) {
        commands.append((word + QLatin1Char(' ') + QString::number(number) + lines).toLatin1());
    }
    batchNumbers_ = numbers;
    msgNum_ = numbers.first();
    StartCommand(type, word, CommandWindow(std::move(commands)));
}

// Sends what the window allows now, each command shown as if it went alone.
void TCustomPop3Cli::SendBatch() {
    const QByteArray bytes = batch_->TakeSendable();
    if (bytes.isEmpty()) {
        return;
    }
    for (const QByteArray& command : bytes.chopped(2).split('\r')) {
        emit OnDisplay(this, QStringLiteral("> ") + QString::fromLatin1(command.trimmed()));
    }
    connection_.Send(bytes);
}

// One command of the batch has its whole answer: report it, then wait for the next answer or
// complete.
void TCustomPop3Cli::NextInBatch() {
    const int position = int(batch_->Current());
    batch_->Answered();
    const quint64 serial = serial_;
    emit OnAnswered(this, position);
    if (serial != serial_ || requestDone_ || !batch_) {
        return; // the handler aborted
    }
    if (batch_->Done()) {
        batch_.reset();
        ReportDone(0);
        return;
    }
    msgNum_ = batchNumbers_.at(batch_->Current());
    try {
        SendBatch();
    } catch (const ClientException&) {
        // The connection is gone: its close completes the request.
    }
}

void TCustomPop3Cli::SendLine(const QString& command) {
    emit OnDisplay(this, QStringLiteral("> ") + command);
    connection_.Send((command + QStringLiteral("\r\n")).toUtf8());
}

void TCustomPop3Cli::Quit() {
    // Not connected raises like every other command: there is no session to end, and the
    // client stays ready.
    StartCommand(pop3Quit, QStringLiteral("QUIT"));
}

void TCustomPop3Cli::Abort() {
    state_ = pop3Abort;
    // A pending lookup ends through ConnectionFailed(10004), an open connection through
    // ConnectionClosed; both complete what is pending with 10004.
    connection_.Abort();
    if (!requestDone_) {
        ReportDone(WsaError::Interrupted);
    }
    state_ = pop3Ready;
}

// ---- Connecting

void TCustomPop3Cli::ConnectionConnecting() {
    state_ = pop3Connecting;
}

void TCustomPop3Cli::ConnectionFailed(quint16 error, const QString& response) {
    lastResponse_ = response;
    errorCode_ = error;
    if (errorMessage_.isEmpty()) {
        errorMessage_ = lastResponse_;
    }
    ReportDone(error);
}

void TCustomPop3Cli::ConnectionUp() {
    state_ = pop3WaitingBanner;
}

// ---- Receiving

void TCustomPop3Cli::ConnectionLine(const QByteArray& line) {
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
    if (!Positive(lastResponse_)) {
        errorCode_ = ProtocolErrorCode;
        serverReply_ = lastResponse_;
        if (errorMessage_.isEmpty()) {
            errorMessage_ = lastResponse_;
        }
        // Nothing more from this server counts; the close completes the connect with 10004.
        connection_.ClearLines();
        connection_.Close();
        return;
    }
    timestamp_ = GreetingTimestamp(lastResponse_);
    if (connection_.Security() == ConnectionSecurity::None && probeStartTls_) {
        tlsStep_ = TlsStep::CapaSent;
        capaAnswered_ = false;
        try {
            SendLine(QStringLiteral("CAPA"));
        } catch (const ClientException&) {
            tlsStep_ = TlsStep::None;
            FinishConnect(); // the lost connection ends the next request
        }
        return;
    }
    if (connection_.Security() != ConnectionSecurity::StartTls) {
        FinishConnect();
        return;
    }
    SendStls();
}

void TCustomPop3Cli::SendStls() {
    tlsStep_ = TlsStep::StlsSent;
    try {
        SendLine(QStringLiteral("STLS"));
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
        if (!Positive(lastResponse_)) {
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
    connection_.UpgradeToStartTls();
    SendStls();
}

void TCustomPop3Cli::StlsReply() {
    emit OnDisplay(this, QStringLiteral("< ") + lastResponse_);
    // Whatever follows the reply came in clear and may not be the server's (RFC 2595).
    connection_.ClearLines();
    if (!Positive(lastResponse_)) {
        serverReply_ = lastResponse_;
        // Still in clear and nothing secret said yet: end the session the polite way.
        try {
            SendLine(QStringLiteral("QUIT"));
        } catch (const ClientException&) {
            // The close below ends it all the same.
        }
        FailTls(QStringLiteral("TLS: the server refused STLS (") + lastResponse_ +
                QLatin1Char(')'));
        return;
    }
    tlsStep_ = TlsStep::Handshake;
    connection_.StartTls();
}

void TCustomPop3Cli::ConnectionTlsUp() {
    if (tlsStep_ != TlsStep::Handshake || state_ != pop3WaitingBanner) {
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
    connection_.FailTls(reason);
}

void TCustomPop3Cli::SingleLineReply() {
    emit OnDisplay(this, QStringLiteral("< ") + lastResponse_);
    const bool positive = Positive(lastResponse_);
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
        connection_.Close();
        return;
    }
    if (!positive && rqType_ == pop3Capa) {
        // A server without CAPA offers nothing; the session goes on as it always has.
        errorCode_ = 0;
        errorMessage_.clear();
        serverReply_.clear();
        ReportDone(0);
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
        connection_.SetCutLongLines(true);
        emit OnMessageBegin(this);
        break;
    case Continuation::List:
        ParseList();
        ReportDone(errorCode_);
        break;
    case Continuation::Capa:
    case Continuation::Uidl:
        multiLine_ = true;
        break;
    case Continuation::None:
        if (batch_) {
            NextInBatch();
        } else {
            ReportDone(0);
        }
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
    if (!connection_.Connected()) {
        // Spelt this way on purpose: it is the text this product has always shown.
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
        if (continuation_ != Continuation::Top) {
            ListLine();
        } else if (WithinMessageBounds()) {
            emit OnMessageLine(this);
        }
        return;
    }
    EndAnswer();
}

// A line of a CAPA or UIDL list. Neither can make the client hold more than the flags and one
// id per message the mailbox has.
void TCustomPop3Cli::ListLine() {
    emit OnDisplay(this, QStringLiteral("< ") + lastResponse_);
    if (continuation_ == Continuation::Capa) {
        capabilities_.Note(lastResponse_);
        return;
    }
    const std::optional<Pop3UniqueId> id = ParseUidlLine(lastResponse_);
    if (id && id->Number <= msgCount_) {
        uniqueIds_.insert(id->Number, id->Id);
    }
}

void TCustomPop3Cli::EndAnswer() {
    multiLine_ = false;
    connection_.SetCutLongLines(false);
    if (continuation_ != Continuation::Top) {
        lastResponse_.clear();
        ReportDone(0);
        return;
    }
    emit OnMessageEnd(this);
    lastResponse_.clear();
    if (batch_) {
        NextInBatch();
        return;
    }
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

void TCustomPop3Cli::ConnectionLineTooLong() {
    errorCode_ = LineReceiver::LineTooLongError;
    if (errorMessage_.isEmpty()) {
        errorMessage_ = QStringLiteral("-ERR ") + LineReceiver::LineTooLongMessage();
    }
    emit OnDisplay(this, QStringLiteral("-ERR ") + LineReceiver::LineTooLongMessage());
    ReportDone(LineReceiver::LineTooLongError);
}

// ---- Closing and completing

void TCustomPop3Cli::ConnectionClosed(quint16 error) {
    tlsStep_ = TlsStep::None;
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
    connection_.Post([this, type = rqType_, error] { emit OnRequestDone(this, type, error); });
}

} // namespace sievra
