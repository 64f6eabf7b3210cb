#pragma once

#include "ConnectionSecurity.h"
#include "LineClient.h"
#include "SmtpException.h"
#include "SmtpHeader.h"
#include "SmtpOutgoing.h"
#include "SmtpReply.h"
#include "SmtpText.h"
#include "Transport.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace sievra {

// Client states, in this order. A request may start only in smtpReady or smtpInternalReady.
enum TSmtpState {
    smtpReady,           // idle
    smtpDnsLookup,       // resolving Host
    smtpConnecting,      // TCP connect under way
    smtpConnected,       // greeting accepted
    smtpInternalReady,   // between the steps of Mail, and while its text lines go out
    smtpWaitingBanner,   // connected, waiting for the greeting
    smtpWaitingResponse, // command sent, waiting for its reply
    smtpAbort
};

// Request types as OnRequestDone reports them. Every step of Mail reports Mail.
enum class SmtpRequest : int {
    Connect = 0,
    Helo = 1,
    MailFrom = 2,
    RcptTo = 4,
    Data = 5,
    Quit = 6,
    Rset = 7,
    Mail = 9,
    Ehlo = 11,
    AuthLogin = 12,
    AuthUser = 13,
    AuthPass = 14
};

// An event-driven SMTP client over one TWSocket. Every operation either raises SmtpException
// (or the socket's ESocketException) at once, with nothing sent and no event to follow, or
// starts its request and returns; the request then ends with exactly one OnRequestDone,
// posted, so it always runs from the event loop after the event that completed the request.
// Its error is 0, the server's reply code when the reply was not one the command accepts, or
// a socket error (10004 when the connection closed while the request was pending). One
// request runs at a time. There is no time-out here; the caller keeps its own.
//
// A session: Connect, then Helo or (Ehlo, AuthLogin, AuthUser, AuthPass), then Mail once per
// message, then Quit. The AUTH LOGIN steps accept only 250, so the usual 334, 334 and 235
// arrive as errors carrying those codes, and the caller decides. Both Helo and Ehlo greet with
// "EHLO" (RFC 5321 4.1.1.1); Helo falls back to "HELO" when the server refuses EHLO. The name
// is SignOn, else the machine's fully qualified name, else the address literal of the local
// end ("[192.0.2.7]", RFC 5321 4.1.4), since strict servers refuse a bare host name.
//
// Security, read when Connect starts: Tls negotiates TLS from the first byte. StartTls takes
// the 220 greeting, sends "EHLO <local host>", requires STARTTLS among the extensions, sends
// "STARTTLS" and negotiates TLS on its 220 (RFC 3207). Either way OnSessionConnected and the
// connect's completion come only once TLS is up, so the caller's HELO or EHLO is the first
// command of the encrypted session (the EHLO RFC 3207 asks for after the handshake) and
// AUTH LOGIN never travels in clear. A failed negotiation (certificate refused, handshake
// broken, STARTTLS not offered or refused) completes the connect with TlsErrorCode (12000):
// LastResponse and ErrorMessage "500 " + the reason, TlsError() the reason, and the connection
// is closed.
class TCustomSmtpClient : public QObject, public LineClient {
    Q_OBJECT

public:
    // Over a TWSocket.
    explicit TCustomSmtpClient(QObject* parent = nullptr);
    // Over another transport (a scripted one in tests).
    explicit TCustomSmtpClient(std::unique_ptr<Transport> transport, QObject* parent = nullptr);
    ~TCustomSmtpClient() override;

    // ---- Settings
    // Kept for completeness: the product never calls it.
    const QString& SignOn() const { return signOn_; } // HELO name; empty: the local host name
    void SetSignOn(const QString& signOn) { signOn_ = signOn; }
    const QString& User() const { return user_; }
    void SetUser(const QString& user) { user_ = user; }
    const QString& Password() const { return password_; }
    void SetPassword(const QString& password) { password_ = password; }
    ConnectionSecurity Security() const { return security_; }
    void SetSecurity(ConnectionSecurity security) { security_ = security; }
    // For accounts stored before they had a security: with None, the connect asks EHLO and
    // goes on as StartTls when the server offers STARTTLS, else stays in clear.
    void SetProbeStartTls(bool on) { probeStartTls_ = on; }
    // The last connect's EHLO listed STARTTLS.
    bool StartTlsOffered() const { return startTlsOffered_; }
    const QString& FromName() const { return fromName_; } // envelope sender; empty: "<>"
    void SetFromName(const QString& fromName) { fromName_ = fromName; }
    const QStringList& RcptName() const { return rcptName_; }
    void SetRcptName(const QStringList& rcptName) { rcptName_ = rcptName; }
    const QString& HdrFrom() const { return header_.From; }
    void SetHdrFrom(const QString& value) { header_.From = value; }
    const QString& HdrTo() const { return header_.To; }
    void SetHdrTo(const QString& value) { header_.To = value; }
    const QString& HdrReplyTo() const { return header_.ReplyTo; }
    void SetHdrReplyTo(const QString& value) { header_.ReplyTo = value; }
    const QString& HdrSubject() const { return header_.Subject; }
    void SetHdrSubject(const QString& value) { header_.Subject = value; }
    // Kept for completeness: the product never calls it.
    const QString& HdrSender() const { return header_.Sender; }
    void SetHdrSender(const QString& value) { header_.Sender = value; }
    TSmtpContentType ContentType() const { return header_.ContentType; }
    void SetContentType(TSmtpContentType value) { header_.ContentType = value; }

    // ---- Read-outs
    TSmtpState State() const;
    // The last reply line received (or the "500 ..." text of a failed connect).
    const QString& LastResponse() const { return lastResponse_; }
    // The first failure text of the current request; emptied when a request starts.
    const QString& ErrorMessage() const { return errorMessage_; }
    // The server's own reply line that refused the current request ("550 5.7.1 ..."); empty
    // when it failed for another reason (no answer, a broken connection, a refused
    // certificate).
    const QString& ServerReply() const { return serverReply_; }
    // The last Mail ended on a refusal of its (last) recipient, not of the sender or the text.
    bool RecipientRefused() const { return recipientRefused_; }
    // What the last EHLO reply offered; forgotten at every connect and after STARTTLS.
    const SmtpExtensions& Extensions() const { return extensions_; }
    // The name Helo and Ehlo send.
    QString GreetingName() const;

    // ---- Requests
    void Connect();
    void Helo();
    void Ehlo();
    void AuthLogin();
    void AuthUser();
    void AuthPass();
    // MAIL FROM, RCPT TO for each of RcptName (the reply to the last one decides), DATA, the
    // header block, the body, ".". Raises before anything is sent when RcptName is empty, when
    // a sender, recipient or header line would carry a CR or LF or cannot be folded to the
    // SMTP line limit, or when a recipient is not ASCII and the server does not offer
    // SMTPUTF8. When the server refuses a step after accepting MAIL FROM, RSET goes out before
    // OnRequestDone reports the refusal, so the next Mail starts clean. The message gets its
    // own Message-ID (right side from the From address), the body the charset its text fits
    // and a transfer encoding the server takes (see MimeText.h); MAIL FROM carries
    // BODY=8BITMIME and SMTPUTF8 where they apply. When EHLO offered PIPELINING (RFC 2920),
    // MAIL FROM and every RCPT TO go in one write, with DATA when there is one recipient (with
    // several, the last one's reply decides whether DATA goes at all, so it waits); the
    // outcome, the reply it names and the RSET are those of the step-by-step dialogue. When
    // OnMailFollows took the next message as its predecessor's text ended, its commands have
    // already gone out behind that "."; Mail then only weighs their replies, and RcptName must
    // be what it was then.
    void Mail();
    // As Mail, but `message` (a whole message, header and body) goes out unchanged: dot-stuffed
    // and with CR LF line ends on the wire, no header of the client's own, nothing re-encoded.
    // Reported as Mail.
    void MailRaw(const QByteArray& message);
    // The single steps, for a check that the server takes mail from this sender and to the
    // first of RcptName without sending any: "MAIL FROM:" (type 2), "RCPT TO:" (type 4),
    // "RSET" (type 7).
    void MailFrom();
    void RcptTo();
    void Rset();
    // Completes at once with 0 when not connected. Its answer closes the connection from our
    // side (TLS close notice first), since some servers wait for that before they close.
    void Quit();
    // Drops the connection or lookup; a pending request ends with 10004. Never raises.
    void Abort();

signals:
    void OnRequestDone(sievra::TCustomSmtpClient* sender, sievra::SmtpRequest rqType,
                       quint16 error);
    // The greeting was accepted (always 0).
    void OnSessionConnected(sievra::TCustomSmtpClient* sender, quint16 error);
    void OnSessionClosed(sievra::TCustomSmtpClient* sender, quint16 error);
    // Every received line, before it is handled.
    // Kept for completeness: the product never connects to it.
    void OnResponse(sievra::TCustomSmtpClient* sender, const QString& msg);
    // "> " + each command or text line sent, "< " + each reply line handled.
    void OnDisplay(sievra::TCustomSmtpClient* sender, const QString& msg);
    // Each command, before it is sent.
    // Kept for completeness: the product never connects to it.
    void OnCommand(sievra::TCustomSmtpClient* sender, const QString& msg);
    // Each header line (the empty line that ends the block included) before DATA is sent; the
    // handler may rewrite *msg. Size is the classic line buffer of 1024; a longer line is
    // folded, and one that holds a line break or cannot be folded fails the request with 500.
    void OnHeaderLine(sievra::TCustomSmtpClient* sender, QString* msg, int size);
    // Once with the whole header block, before DATA is sent; the handler may change it.
    // Kept for completeness: the product never connects to it.
    void OnProcessHeader(sievra::TCustomSmtpClient* sender, QStringList* hdrLines);
    // Asked for body line lineNum once the prepared body is used up. A handler that supplies a
    // line sets *more to true; with no handler, or *more left false, the body ends. Lines over
    // maxLen bytes are cut into several wire lines.
    // Kept for completeness: the product never connects to it.
    void OnGetData(sievra::TCustomSmtpClient* sender, int lineNum, QString* msgLine, int maxLen,
                   bool* more);
    // Asked as the "." that ends a message goes out to a server that offers PIPELINING. A
    // handler that has set up the next message (one recipient) sets *follows: its MAIL FROM,
    // RCPT TO and DATA then follow the "." in the same write (RFC 2920), and its replies are
    // held until its own Mail, which must be the next request. Any other request in between
    // raises; Abort drops the connection, so the server never gets that message's text.
    void OnMailFollows(sievra::TCustomSmtpClient* sender, bool* follows);

protected:
    // Called when DATA starts: take a fresh copy of the body.
    virtual void PrepareBody() {}
    // Body line lineNum (from 1) into `line`; false when the body has ended. This one asks
    // OnGetData.
    virtual bool NextBodyLine(int lineNum, QString& line);

private:
    // Where the client stands, the one record of it; State() is read from it.
    enum class Phase {
        Idle,         // nothing pending; a request may start
        LookingUp,    // resolving Host
        Connecting,   // the TCP connect (and TLS from the first byte) runs
        Greeting,     // waiting for the greeting
        TlsEhlo,      // StartTls: the EHLO that must list STARTTLS
        TlsStartTls,  // StartTls: STARTTLS sent
        TlsHandshake, // StartTls: the handshake runs
        Greeted,      // the greeting is accepted; the connect is being reported
        Command,      // a single command waits for its reply
        HeloEhlo,     // the EHLO of Helo: "HELO" follows a 5xx
        MailFrom,     // Mail: MAIL FROM sent
        RcptTo,       // Mail: a RCPT TO sent; the server holds a sender
        Data,         // Mail: DATA sent (or its header lines being prepared)
        Text,         // Mail: the text lines go out
        Group,        // Mail, pipelined: MAIL FROM, each RCPT TO (and DATA) in one write
        Dot,          // Mail: the final "." sent; the server ends the transaction
        Reset,        // Mail: RSET (or a lone "." after a late 354) tidies up after a refusal;
                      // the refusal is reported after it
        Following,    // the next message's group went out behind a "."; its replies are held
                      // until its Mail
        Aborting      // Abort runs
    };
    void SetPhase(Phase phase);
    bool AwaitingReply() const;
    bool TransactionOpen() const;

    void RequireReady() const;
    void RequireCanStart() const;
    void RequireProtected() const;
    void SendEhlo(SmtpRequest type, Phase phase);
    QString CheckedPath(const QString& verb, const QString& address) const;
    void BeginRequest(SmtpRequest type);
    void StartRequest(SmtpRequest type, const QString& command, const QList<int>& accepted,
                      Phase phase = Phase::Command);
    void SendCommand(Phase phase, const QString& command, const QList<int>& accepted);
    void SendWire(const QByteArray& bytes);

    // Mail
    QStringList TakeBody();
    void StartMail(SmtpOutgoing mail);
    void StepDone();
    void SendRecipient();
    void StartData();
    bool PrepareHeader();
    QString HeaderProblem();
    void SendGroup();
    void BeginGroup();
    QByteArray GroupWire();
    void TakeFollower();
    void AttachFollower();
    void DropFollower();
    void GroupReplyIn();
    void EndGroup();
    void StartText();
    void SendNextTextLine();
    void FailStep(quint16 error, const QString& message);

    // Replies
    void HandleGreeting(const QString& line);
    void FinishConnect();
    void BeginStartTls();
    void SendNegotiation(const QString& command);
    void HandleTlsLine(const QString& line);
    void TlsEhloReply(int code, const QString& line);
    void QuitAfterRefusal();
    void HandleReply(const QString& line);

    // Completion
    void ReplyIn(int code);
    void Finish(quint16 error, bool mayReset = true);
    void Report(quint16 error);

    // The connection's events
    void ConnectionConnecting() override;
    void ConnectionFailed(quint16 error, const QString& response) override;
    void ConnectionUp() override;
    void ConnectionLine(const QByteArray& line) override;
    void ConnectionLineTooLong() override;
    void ConnectionTlsUp() override;
    void ConnectionAllSent() override;
    void ConnectionClosed(quint16 error) override;

    // Settings
    QString signOn_;
    QString user_;
    QString password_;
    ConnectionSecurity security_ = ConnectionSecurity::None;
    bool probeStartTls_ = false;
    QString fromName_;
    QStringList rcptName_;
    SmtpHeaderFields header_;

    // Read-outs
    Phase phase_ = Phase::Idle;
    QString lastResponse_;
    QString errorMessage_;
    QString serverReply_;
    SmtpExtensions extensions_;
    bool ehloInFlight_ = false;
    bool recipientRefused_ = false;

    bool startTlsOffered_ = false;

    // The request in flight
    SmtpRequest rqType_ = SmtpRequest::Connect;
    quint16 errorCode_ = 0;
    int status_ = 0;
    QList<int> accepted_;
    bool reported_ = true; // nothing pending

    // Mail
    SmtpOutgoing mail_;
    qsizetype rcptIndex_ = 0;
    quint16 chainError_ = 0; // what refused the message, reported after the RSET
    // A pipelined group: replies in so far, whether DATA went with it, and what refused the
    // message before DATA (the sender, else the last recipient) with the server's line.
    qsizetype groupAnswered_ = 0;
    bool groupData_ = false;
    bool groupSenderTaken_ = false;
    quint16 groupRefusal_ = 0;
    QString groupRefusalLine_;
    // A message whose group followed the last "." (its recipients), and the replies that came
    // before its Mail.
    bool followerSent_ = false;
    QStringList followerRcpt_;
    QByteArrayList heldLines_;
};

} // namespace sievra
