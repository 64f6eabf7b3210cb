#pragma once

#include "net/ClientException.h"
#include "net/CommandWindow.h"
#include "net/ConnectionSecurity.h"
#include "net/LineClient.h"
#include "net/Pop3Capabilities.h"
#include "net/Transport.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace sievra {

// Where the POP3 dialogue stands (RFC 1939 states, as far as a client sees them).
enum TPop3ProtocolState { pop3Disconnected, pop3WaitingUser, pop3WaitingPass, pop3Transaction };

// What the component is doing, in this order.
enum TPop3State {
    pop3Ready,           // idle; a request may start
    pop3DnsLookup,       // resolving Host
    pop3Connecting,      // TCP connect in progress
    pop3Connected,       // greeting accepted
    pop3InternalReady,   // between the steps of a chained request; a request may start
    pop3WaitingBanner,   // connected, waiting for the greeting
    pop3WaitingResponse, // command sent, waiting for its reply
    pop3Abort            // abort in progress
};

// The request types OnRequestDone reports; the numbers are fixed, the gaps belong to requests
// the product never issues.
enum TPop3Request : int {
    pop3Connect = 0,
    pop3User = 1,
    pop3Pass = 2,
    pop3Quit = 4,
    pop3Stat = 5,
    pop3List = 6,
    pop3Top = 8,
    pop3Dele = 9,
    pop3Retr = 10,
    pop3Rset = 12,
    pop3Uidl = 13,
    pop3Capa = 14
};

// A POP3 request that could not even start (wrong state, not connected, bad setting).
class Pop3Exception : public ClientException {
public:
    using ClientException::ClientException;
    QString ClassName() const override { return QStringLiteral("Pop3Exception"); }
};

// An event-driven POP3 client. Every operation either raises Pop3Exception at once (nothing
// started, no event) or starts a request and returns; the request then ends with exactly one
// OnRequestDone, always delivered from the event loop after the event that completed it, so a
// caller may start the next request from its OnRequestDone handler or after its wait ends.
//
// Driving it, one request at a time:
//   SetHost/SetPort/SetUserName/SetPassWord, then Connect -> OnSessionConnected(0) once the
//   greeting is accepted, then OnRequestDone(pop3Connect, 0). A failed connect reports only
//   OnRequestDone with the socket's code (11001, 10061, ...); a refused greeting closes the
//   connection: OnSessionClosed, then OnRequestDone(pop3Connect, 10004).
//   User, Pass, Stat (MsgCount, MsgSize), Top (for MsgNum with MsgLines body lines:
//   OnMessageBegin, one OnMessageLine per line with the line in LastResponse, OnMessageEnd,
//   then OnRequestDone), Dele (of MsgNum), Rset (undoes the session's deletions), Quit (its
//   answer closes the connection from our side, TLS close notice first; OnSessionClosed, then
//   OnRequestDone: 0 for "+OK", 500 for "-ERR", 10004 when the server went without answering).
//   A negative reply ends the request with 500 and the reply line in ErrorMessage; a lost
//   connection with OnSessionClosed, then 10004.
// A message answer may hold at most MaxMessageLines lines and MaxMessageBytes bytes; the
// lines beyond are read and dropped up to the terminating ".", and MessageCut() tells. A
// server cannot make the client hold more than that by never ending an answer.
// A STAT count with a minus sign fails the request with 500.
// Capa asks for the server's capabilities (RFC 2449) into Capabilities(); a server that answers
// "-ERR" offers nothing, and the request still completes with 0. Uidl fills UniqueIds() with
// the ids of the messages up to MsgCount (lines it cannot read are left out).
//
// Pipelining, for a server that offers it: TopEach and DeleEach send TOP (with MsgLines) or
// DELE for every number given, in a bounded window (CommandWindow), and take the answers in
// order. Each answer raises the events its single command would (for TOP: OnMessageBegin,
// OnMessageLine, OnMessageEnd), then OnAnswered with its position in the list; the request
// completes once, after the last answer, or at the first failure. After a failure the answers
// still on their way would be taken for those of later commands: end the session with Abort.
//
// The component has no time-out of its own; the caller's wait provides it, and Abort ends
// whatever is pending (a pending request then completes with 10004).
//
// Security, read when Connect starts: Tls negotiates TLS from the first byte; StartTls sends
// "STLS" after a positive greeting (RFC 2595) and negotiates TLS on its "+OK". Either way the
// connect completes only once TLS is up, so USER and PASS never travel in clear. A failed
// negotiation (certificate refused, handshake broken, STLS refused) completes the connect with
// TlsErrorCode (12000): LastResponse and ErrorMessage "-ERR " + the reason, TlsError() the
// reason, and the connection is closed (after a "QUIT" when the server refused STLS).
//
// ProbeStartTls, for accounts stored before they had a security: with None, the client asks
// "CAPA" (RFC 2449) after the greeting and, when the server lists STLS, goes on exactly as
// StartTls would (StartTlsOffered() then tells the caller to keep it that way); otherwise it
// connects in clear as before.
class TCustomPop3Cli : public QObject, public LineClient {
    Q_OBJECT

public:
    // Over a TWSocket.
    explicit TCustomPop3Cli(QObject* parent = nullptr);
    // Over another transport (a scripted one in tests).
    explicit TCustomPop3Cli(std::unique_ptr<Transport> transport, QObject* parent = nullptr);
    ~TCustomPop3Cli() override;

    // Settings.
    const QString& UserName() const { return userName_; }
    void SetUserName(const QString& name) { userName_ = name; }
    const QString& PassWord() const { return passWord_; }
    void SetPassWord(const QString& password) { passWord_ = password; }
    int MsgNum() const { return msgNum_; }
    void SetMsgNum(int number) { msgNum_ = number; }
    int MsgLines() const { return msgLines_; }
    void SetMsgLines(int lines) { msgLines_ = lines; }
    ConnectionSecurity Security() const { return security_; }
    void SetSecurity(ConnectionSecurity security) { security_ = security; }
    bool ProbeStartTls() const { return probeStartTls_; }
    void SetProbeStartTls(bool on) { probeStartTls_ = on; }
    static constexpr int DefaultMaxMessageLines = 2000;
    static constexpr qint64 DefaultMaxMessageBytes = 256 * 1024;
    int MaxMessageLines() const { return maxMessageLines_; }
    void SetMaxMessageLines(int lines) { maxMessageLines_ = lines; }
    qint64 MaxMessageBytes() const { return maxMessageBytes_; }
    void SetMaxMessageBytes(qint64 bytes) { maxMessageBytes_ = bytes; }

    // Read-outs.
    int MsgCount() const { return msgCount_; }
    // Kept for completeness: the product never calls it.
    qint64 MsgSize() const { return msgSize_; }
    // The line received last; during OnMessageLine the current line of the answer with its
    // stuffed dot removed; empty once the answer has ended.
    const QString& LastResponse() const { return lastResponse_; }
    // The last line as its bytes came, for a copy of a message that must stay unchanged.
    const QByteArray& LastLine() const { return lastLine_; }
    // The size LIST gave for MsgNum, in octets.
    qint64 ListSize() const { return msgListSize_; }
    // The first failure of the current request; emptied when a request starts.
    const QString& ErrorMessage() const { return errorMessage_; }
    // The server's own line that refused the current request ("-ERR [AUTH] ..."); empty when
    // it failed for another reason (no answer, a broken connection, a refused certificate).
    const QString& ServerReply() const { return serverReply_; }
    // Kept for completeness: the product never calls it.
    TPop3ProtocolState ProtocolState() const { return protocolState_; }
    TPop3State State() const { return state_; }
    TPop3Request RequestType() const { return rqType_; }
    quint16 ErrorCode() const { return errorCode_; }
    // The greeting's "<...>" part (for APOP), empty when it has none.
    // Kept for completeness: the product never calls it.
    const QString& Timestamp() const { return timestamp_; }
    // The last connect's probe found STLS offered; emptied by Connect.
    bool StartTlsOffered() const { return startTlsOffered_; }
    // The last message answer went past a bound and lost its end.
    bool MessageCut() const { return messageCut_; }
    // What the last Capa found; emptied by Connect.
    const Pop3Capabilities& Capabilities() const { return capabilities_; }
    // Message number -> unique id, from the last Uidl; emptied by Connect.
    const QHash<int, QString>& UniqueIds() const { return uniqueIds_; }

    // Requests.
    void Connect();
    void User();
    void Pass();
    void Stat();
    void Top();
    // The whole message MsgNum, line by line as for Top; its bounds are the caller's to set.
    void Retr();
    // The size of message MsgNum (MsgSize).
    void List();
    void Dele();
    void Rset();
    void Capa();
    void Uidl();
    void TopEach(const QList<int>& numbers);
    void DeleEach(const QList<int>& numbers);
    void Quit();
    // Ends a pending lookup or connection at once; never raises, sends nothing.
    void Abort();

signals:
    void OnRequestDone(sievra::TCustomPop3Cli* sender, sievra::TPop3Request rqType, quint16 error);
    void OnSessionConnected(sievra::TCustomPop3Cli* sender, quint16 error);
    void OnSessionClosed(sievra::TCustomPop3Cli* sender, quint16 error);
    void OnMessageBegin(sievra::TCustomPop3Cli* sender);
    void OnMessageLine(sievra::TCustomPop3Cli* sender);
    void OnMessageEnd(sievra::TCustomPop3Cli* sender);
    // One command of TopEach or DeleEach got its whole, positive answer.
    void OnAnswered(sievra::TCustomPop3Cli* sender, int position);
    // Kept for completeness: the product never connects to it.
    void OnResponse(sievra::TCustomPop3Cli* sender, const QString& msg);
    void OnDisplay(sievra::TCustomPop3Cli* sender, const QString& msg);

private:
    // Where a StartTls connect stands between the greeting and the end of the handshake.
    enum class TlsStep { None, CapaSent, StlsSent, Handshake };

    // What a positive reply leads to.
    enum class Continuation { None, Stat, Top, List, Capa, Uidl };
    struct Plan {
        TPop3ProtocolState next;
        Continuation continuation;
    };
    static Plan PlanFor(TPop3Request type);

    void RequireReady() const;
    void RequireReadyAndConnected() const;
    [[noreturn]] void RaiseInvalidNow(const QString& command);
    void BeginRequest(TPop3Request type);
    void BeginCommand(TPop3Request type);
    void StartCommand(TPop3Request type, const QString& command,
                      std::optional<CommandWindow> batch = std::nullopt);
    void SendLine(const QString& command);
    void StartEach(TPop3Request type, const QString& word, const QList<int>& numbers);
    void SendBatch();
    void NextInBatch();

    // The connection's events.
    void ConnectionConnecting() override;
    void ConnectionFailed(quint16 error, const QString& response) override;
    void ConnectionUp() override;
    void ConnectionLine(const QByteArray& line) override;
    void ConnectionLineTooLong() override;
    void ConnectionTlsUp() override;
    void ConnectionClosed(quint16 error) override;
    void FailTls(const QString& reason);
    void FinishConnect();

    // The dialogue.
    void ProcessGreeting();
    void SendStls();
    void CapaReply();
    void StlsReply();
    void SingleLineReply();
    void MultiLineReply();
    void ListLine();
    void EndAnswer();
    bool WithinMessageBounds();
    void ParseStat();
    void ParseList();

    // Reports the request once and posts the event.
    void ReportDone(quint16 error);

    QString userName_;
    QString passWord_;
    int msgNum_ = 0;
    int msgLines_ = 0;
    ConnectionSecurity security_ = ConnectionSecurity::None;
    bool probeStartTls_ = false;
    int maxMessageLines_ = DefaultMaxMessageLines;
    qint64 maxMessageBytes_ = DefaultMaxMessageBytes;

    int msgCount_ = 0;
    qint64 msgSize_ = 0;
    QString lastResponse_;
    QByteArray lastLine_;
    qint64 msgListSize_ = 0;
    QString errorMessage_;
    QString serverReply_;
    TPop3ProtocolState protocolState_ = pop3Disconnected;
    QString timestamp_;
    TlsStep tlsStep_ = TlsStep::None;
    bool capaAnswered_ = false; // the "+OK" of CAPA came; its list follows
    bool startTlsOffered_ = false;

    TPop3State state_ = pop3Ready;
    TPop3Request rqType_ = pop3Connect;
    quint16 errorCode_ = 0;
    TPop3ProtocolState nextProtocolState_ = pop3Disconnected;
    Continuation continuation_ = Continuation::None;
    bool multiLine_ = false;
    int messageLines_ = 0;
    qint64 messageBytes_ = 0;
    bool messageCut_ = false;
    Pop3Capabilities capabilities_;
    QHash<int, QString> uniqueIds_;
    // The commands of TopEach or DeleEach and the numbers they name.
    std::optional<CommandWindow> batch_;
    QList<int> batchNumbers_;
    bool requestDone_ = true; // nothing pending yet
    quint64 serial_ = 0;      // tells a request apart from the one after it
};

// The component as the product creates it.
class TPop3Cli : public TCustomPop3Cli {
    Q_OBJECT

public:
    explicit TPop3Cli(QObject* parent = nullptr)
        : TCustomPop3Cli(parent) {}
    explicit TPop3Cli(std::unique_ptr<Transport> transport, QObject* parent = nullptr)
        : TCustomPop3Cli(std::move(transport), parent) {}
};

} // namespace sievra
