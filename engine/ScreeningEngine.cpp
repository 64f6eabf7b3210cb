#include "ScreeningEngine.h"

#include "engine/EngineWindow.h"
#include "engine/ReplyRefusal.h"
#include "history/HistoryDatabase.h"
#include "markup/StatusMarkup.h"
#include "net/LineReceiver.h"
#include "net/SocketError.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace sievra {

namespace {
constexpr int MinimumTimeout = 30;

// A failed TLS negotiation says why, or the user could not tell a certificate problem from a
// refusal: "SMTP error while connecting to SMTP server: TLS: the certificate has expired".
QString WithTlsReason(const QString& text, quint16 error, const QString& reason) {
    if (error != TlsErrorCode || reason.isEmpty()) {
        return text;
    }
    return text + QStringLiteral(": ") + reason;
}
} // namespace

ScreeningEngine::ScreeningEngine(EngineWindow& window, SettingsStore* store, QObject* parent)
    : QObject(parent)
    , window_(window)
    , store_(store) {
    pop3_.SetPort(QStringLiteral("110"));
    smtp_.SetPort(QStringLiteral("smtp"));
    smtp_.SetContentType(smtpPlainText);
    ConnectClients();
}

ScreeningEngine::~ScreeningEngine() = default;

void ScreeningEngine::ConnectClients() {
    connect(&pop3_, &TCustomPop3Cli::OnSessionConnected, this,
            [this](TCustomPop3Cli*, quint16 error) { Pop3SessionConnected(error); });
    connect(&pop3_, &TCustomPop3Cli::OnSessionClosed, this,
            [this](TCustomPop3Cli*, quint16 error) { Pop3SessionClosed(error); });
    connect(&pop3_, &TCustomPop3Cli::OnRequestDone, this,
            [this](TCustomPop3Cli*, TPop3Request type, quint16 error) {
                Pop3RequestDone(type, error);
            });
    connect(&pop3_, &TCustomPop3Cli::OnMessageBegin, this,
            [this](TCustomPop3Cli*) { state_.InMessage = true; });
    connect(&pop3_, &TCustomPop3Cli::OnMessageEnd, this,
            [this](TCustomPop3Cli*) { state_.InMessage = false; });
    connect(&pop3_, &TCustomPop3Cli::OnMessageLine, this,
            [this](TCustomPop3Cli*) { Pop3MessageLine(); });
    connect(&pop3_, &TCustomPop3Cli::OnAnswered, this,
            [this](TCustomPop3Cli*, int position) { Pop3Answered(position); });
    connect(&smtp_, &TCustomSmtpClient::OnSessionConnected, this,
            [this](TCustomSmtpClient*, quint16 error) { SmtpSessionConnected(error); });
    connect(&smtp_, &TCustomSmtpClient::OnSessionClosed, this,
            [this](TCustomSmtpClient*, quint16 error) { SmtpSessionClosed(error); });
    connect(&smtp_, &TCustomSmtpClient::OnRequestDone, this,
            [this](TCustomSmtpClient*, SmtpRequest type, quint16 error) {
                SmtpRequestDone(type, error);
            });
    // A reply's own marks go after the header block the client writes.
    connect(&smtp_, &TCustomSmtpClient::OnProcessHeader, this,
            [this](TCustomSmtpClient*, QStringList* lines) { lines->append(replyMarks_); });
    connect(&smtp_, &TCustomSmtpClient::OnMailFollows, this,
            [this](TCustomSmtpClient*, bool* follows) { OfferNextReply(follows); });
}

// --- Client events: each records what happened and lets a waiting request see it. ---

void ScreeningEngine::Pop3SessionConnected(quint16 error) {
    if (error != 0) {
        NoteClientError(error, QStringLiteral("Cannot connect to POP3 Server"));
    }
    CheckWait();
}

void ScreeningEngine::Pop3SessionClosed(quint16 error) {
    if (error != 0) {
        NoteClientError(error, QStringLiteral("POP3 Server error while disconnecting"));
    }
    CheckWait();
}

void ScreeningEngine::Pop3RequestDone(TPop3Request type, quint16 error) {
    if (awaited_.From != Client::Pop3 || awaited_.Type != type) {
        return;
    }
    state_.RequestDone = true;
    if (error != 0) {
        NoteClientError(error,
                        WithTlsReason(QStringLiteral("POP3 error while ") + state_.Operation, error,
                                      pop3_.TlsError()),
                        pop3_.ErrorMessage());
        state_.ServerSaid = pop3_.ServerReply();
    }
    CheckWait();
}

// An answer of a pipelined request: the request goes on, so its time-out starts again.
void ScreeningEngine::Pop3Answered(int position) {
    if (onAnswered_) {
        onAnswered_(position);
    }
    ExtendWait();
}

void ScreeningEngine::Pop3MessageLine() {
    if (!state_.InMessage) {
        return;
    }
    if (copyBytes_ != nullptr) {
        // A line the client had to cut (it filled the receive buffer) would make a copy that
        // is not the message.
        copyLineCut_ = copyLineCut_ || pop3_.LastLine().size() >= LineReceiver::BufferSize - 2;
        copyBytes_->append(pop3_.LastLine());
        copyBytes_->append('\n');
        return;
    }
    collector_.Add(pop3_.LastResponse());
}

void ScreeningEngine::SmtpSessionConnected(quint16 error) {
    state_.SmtpConnected = true;
    if (error != 0) {
        NoteClientError(error, QStringLiteral("SMTP Server error while connecting"));
    }
    CheckWait();
}

void ScreeningEngine::SmtpSessionClosed(quint16 error) {
    state_.SmtpConnected = false;
    if (error != 0) {
        NoteClientError(error, QStringLiteral("SMTP Server error while closing"));
    }
    CheckWait();
}

void ScreeningEngine::SmtpRequestDone(SmtpRequest type, quint16 error) {
    if (awaited_.From != Client::Smtp || awaited_.Type != static_cast<int>(type)) {
        return;
    }
    state_.RequestDone = true;
    if (error != 0) {
        NoteClientError(error, WithTlsReason(QStringLiteral("SMTP error while ") + state_.Operation,
                                             error, smtp_.TlsError()));
        state_.ServerSaid = smtp_.ServerReply();
    }
    CheckWait();
}

// Once the user has aborted, the error stays "Aborted": the clients' own reports of the
// connections that Abort cut are consequences, not news.
void ScreeningEngine::NoteClientError(quint16 error, const QString& text, const QString& reply) {
    state_.ErrorFlag = true;
    if (state_.AbortRequested) {
        return;
    }
    state_.ErrorCode = error;
    state_.ErrorText = text;
    cause_ = ErrorCause::Client;
    errorReply_ = reply;
}

void ScreeningEngine::BeginSession(const Account& account, const QString& host,
                                   const QString& port) {
    session_.Account = account.AccountName;
    session_.Host = host;
    session_.Port = port;
}

// --- Requests and waiting ---

void ScreeningEngine::Request(const QString& words, Client client, int type,
                              const std::function<void()>& issue, Until until) {
    DropStaleCompletions();
    state_.Operation = words;
    state_.RequestDone = false;
    state_.ServerSaid.clear();
    awaited_ = {client, type};
    try {
        issue();
    } catch (const ClientException& exception) {
        NoteException(exception.Message());
    }
    if (until == Until::SmtpSession) {
        AwaitUntil([this] { return state_.ErrorFlag || state_.SmtpConnected; });
    } else {
        AwaitUntil([this] { return state_.ErrorFlag || state_.RequestDone; });
    }
}

bool ScreeningEngine::Succeeded() {
    if (state_.ErrorFlag) {
        ReportError();
        return false;
    }
    return true;
}

// A request that timed out or was aborted still completes, later, through a posted event.
// Delivered while nothing is awaited, it is ignored; left in the queue, it could end the wait
// of the next request of the same type (the next account's connect after a connect that
// timed out) before the event loop has run in between.
void ScreeningEngine::DropStaleCompletions() {
    awaited_ = {};
    pop3_.FlushCompletions();
    smtp_.FlushCompletions();
}

void ScreeningEngine::NoteException(const QString& message) {
    state_.ErrorFlag = true;
    state_.ErrorText = message;
    cause_ = ErrorCause::Exception;
}

// Runs the event loop until done() holds, the user aborts or the current time-out passes.
// Events that are already pending run at least once, as they would in a polling loop.
void ScreeningEngine::AwaitUntil(const std::function<bool()>& done) {
    if (done()) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    connect(&timeout, &QTimer::timeout, &loop, [this] {
        state_.ErrorText = sessionBound_.hasExpired()
                               ? QStringLiteral("Session took longer than %1 seconds")
                                     .arg(qint64{state_.CurrentTimeout} * SessionTimeouts)
                               : QStringLiteral("Timeout");
        state_.ErrorFlag = true;
        cause_ = ErrorCause::Timeout;
        CheckWait();
    });
    timeout.start(WaitMilliseconds());
    QTimer* outerTimer = waitTimer_;
    waitTimer_ = &timeout;
    QEventLoop* outer = waitLoop_;
    std::function<bool()> outerDone = waitDone_;
    waitLoop_ = &loop;
    waitDone_ = done;
    loop.exec();
    waitLoop_ = outer;
    waitDone_ = outerDone;
    waitTimer_ = outerTimer;
}

int ScreeningEngine::WaitMilliseconds() const {
    // A stored time-out of years must neither overflow nor turn into no time-out at all.
    qint64 ms = qint64{state_.CurrentTimeout} * options_.TimeoutSecondMs;
    if (!sessionBound_.isForever()) {
        ms = std::min(ms, std::max<qint64>(sessionBound_.remainingTime(), 0));
    }
    return static_cast<int>(std::min<qint64>(ms, std::numeric_limits<int>::max()));
}

void ScreeningEngine::ExtendWait() {
    if (waitTimer_ != nullptr && waitTimer_->isActive()) {
        waitTimer_->start(WaitMilliseconds());
    }
}

void ScreeningEngine::CheckWait() {
    if (waitLoop_ != nullptr && waitDone_ && waitDone_()) {
        waitLoop_->quit();
    }
}

void ScreeningEngine::SetTimeout(int seconds) {
    state_.CurrentTimeout = seconds < MinimumTimeout ? MinimumTimeout : seconds;
}

void ScreeningEngine::StartSessionBound() {
    sessionBound_.setRemainingTime(qint64{state_.CurrentTimeout} * SessionTimeouts *
                                   options_.TimeoutSecondMs);
}

void ScreeningEngine::ReportError() {
    Log(QStringLiteral("<font color=\"clRed\"><B>Error %1: %2</B>")
            .arg(state_.ErrorCode)
            .arg(state_.ErrorText));
    // The server's own words say what the code cannot ("need fully-qualified hostname"); the
    // plain line after them then names the account and the cause without repeating them.
    const bool serverSaid = !state_.ServerSaid.isEmpty();
    if (serverSaid) {
        Log(ServerSaidLine(state_.ServerSaid));
        state_.ServerSaid.clear();
    }
    ErrorFacts facts = session_;
    facts.Cause = cause_;
    facts.Code = state_.ErrorCode;
    facts.TimeoutSeconds = state_.CurrentTimeout;
    facts.Reply = cause_ == ErrorCause::Client && !serverSaid ? errorReply_ : QString();
    const QString detail = ErrorDetail(facts);
    if (!detail.isEmpty()) {
        Log(detail);
    }
    ++counters_.ErrorCount;
    lastPassHadErrors_ = true;
}

// A settings complaint: one error line, counted, the error flag left alone.
void ScreeningEngine::Complain(const QString& text) {
    Log(text);
    ++counters_.ErrorCount;
    lastPassHadErrors_ = true;
}

void ScreeningEngine::WriteStatus(const QString& text, bool labelOnly, bool showBar) {
    window_.ShowStatusBar(showBar);
    if (!labelOnly) {
        window_.AppendStatusLine(text);
    }
    window_.SetStatusLabel(StripStatusMarkup(text));
}

void ScreeningEngine::Abort() {
    Log(QStringLiteral("Aborting!"));
    try {
        pop3_.Abort();
        smtp_.Abort();
    } catch (const ClientException& exception) {
        NoteException(exception.Message());
    }
    state_.ErrorFlag = true;
    state_.ErrorText = QStringLiteral("Aborted");
    state_.AbortRequested = true;
    cause_ = ErrorCause::Aborted;
    CheckWait();
}

void ScreeningEngine::UpdateTrayTip(TrayTipMode mode) {
    window_.SetTrayTip(
        ComposeTrayTip(mode, {counters_.WaitingCount, counters_.DeletedTotal, counters_.ErrorCount,
                              options_.PreviewOnly, counters_.WouldDeleteCount}));
}

} // namespace sievra
