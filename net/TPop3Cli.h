#pragma once

#include "net/ClientException.h"
#include "net/ConnectionSecurity.h"
#include "net/LineReceiver.h"
#include "net/TWSocket.h"

#include <QObject>
#include <QString>

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
    pop3Rset = 12
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
class TCustomPop3Cli : public QObject {
    Q_OBJECT

public:
    explicit TCustomPop3Cli(QObject* parent = nullptr);
    ~TCustomPop3Cli() override;
    TCustomPop3Cli(const TCustomPop3Cli&) = delete;
    TCustomPop3Cli& operator=(const TCustomPop3Cli&) = delete;

    // Settings.
    const QString& Host() const { return host_; }
    void SetHost(const QString& host) { host_ = host; }
    const QString& Port() const { return port_; }
    void SetPort(const QString& port) { port_ = port; }
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
    // A certificate fingerprint the user trusted for this server (see TWSocket), or empty.
    const QString& PinnedCertificate() const { return pinnedCertificate_; }
    void SetPinnedCertificate(const QString& fingerprint) { pinnedCertificate_ = fingerprint; }
    // The certificate the last failed TLS negotiation refused, or a null one.
    const QSslCertificate& RefusedCertificate() const { return socket_.TlsRefusedCertificate(); }

    // Read-outs.
    int MsgCount() const { return msgCount_; }
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
    TPop3ProtocolState ProtocolState() const { return protocolState_; }
    bool Connected() const { return connected_; }
    TPop3State State() const { return state_; }
    TPop3Request RequestType() const { return rqType_; }
    quint16 ErrorCode() const { return errorCode_; }
    // The greeting's "<...>" part (for APOP), empty when it has none.
    const QString& Timestamp() const { return timestamp_; }
    // The connection is encrypted.
    bool Encrypted() const { return socket_.IsEncrypted(); }
    // Why the last connect failed its TLS negotiation ("TLS: ..."); emptied by Connect.
    const QString& TlsError() const { return tlsError_; }
    // The last connect's probe found STLS offered; emptied by Connect.
    bool StartTlsOffered() const { return startTlsOffered_; }
    // The last message answer went past a bound and lost its end.
    bool MessageCut() const { return messageCut_; }

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
    void OnResponse(sievra::TCustomPop3Cli* sender, const QString& msg);
    void OnDisplay(sievra::TCustomPop3Cli* sender, const QString& msg);

private:
    friend class Pop3TestAccess;

    // Where a StartTls connect stands between the greeting and the end of the handshake.
    enum class TlsStep { None, CapaSent, StlsSent, Handshake };

    // What a positive reply leads to.
    enum class Continuation { None, Stat, Top, List };
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
    void StartCommand(TPop3Request type, const QString& command);

    void DnsLookupDone(quint16 error);
    void SocketConnected(quint16 error);
    void SocketDataAvailable();
    void SocketClosed(quint16 error);
    void SocketTlsDone(quint16 error);
    void FailConnect(quint16 error, const QString& response);
    void FailTls(const QString& reason);
    void FinishConnect();

    // The line path: every received line, whether it came from the socket or from a test.
    LineReceiver::Status TakeLines();
    void ProcessLine(const QByteArray& line);
    void ProcessGreeting();
    void SendStls();
    void CapaReply();
    void StlsReply();
    void SingleLineReply();
    void MultiLineReply();
    bool WithinMessageBounds();
    void ParseStat();
    void ParseList();
    void FailLineTooLong();
    void CloseConnection();

    // Reports the request once and posts the event.
    void ReportDone(quint16 error);

    QString host_;
    QString port_ = QStringLiteral("pop3");
    QString userName_;
    QString passWord_;
    int msgNum_ = 0;
    int msgLines_ = 0;
    ConnectionSecurity security_ = ConnectionSecurity::None;
    bool probeStartTls_ = false;
    int maxMessageLines_ = DefaultMaxMessageLines;
    qint64 maxMessageBytes_ = DefaultMaxMessageBytes;
    QString pinnedCertificate_;

    int msgCount_ = 0;
    qint64 msgSize_ = 0;
    QString lastResponse_;
    QByteArray lastLine_;
    qint64 msgListSize_ = 0;
    QString errorMessage_;
    QString serverReply_;
    TPop3ProtocolState protocolState_ = pop3Disconnected;
    bool connected_ = false;
    QString timestamp_;
    QString tlsError_;
    ConnectionSecurity sessionSecurity_ = ConnectionSecurity::None; // fixed by Connect
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
    bool requestDone_ = true; // nothing pending yet
    quint64 serial_ = 0;      // tells a request apart from the one after it

    bool receiving_ = false;

    TWSocket socket_;
    LineReceiver lines_;
};

// The component as the product creates it.
class TPop3Cli : public TCustomPop3Cli {
    Q_OBJECT

public:
    explicit TPop3Cli(QObject* parent = nullptr)
        : TCustomPop3Cli(parent) {}
};

} // namespace sievra
