#pragma once

#include "ClientException.h"
#include "SendBuffer.h"
#include "Transport.h"

#include <QAbstractSocket>
#include <QByteArrayView>
#include <QHostAddress>
#include <QHostInfo>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <QStringList>

class QSslSocket;

namespace sievra {

enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

// An event-driven TCP client socket for the mail clients. Nothing blocks: operations return at
// once and report through the signals below, which run from the Qt event loop on the thread
// that owns the socket. A caller that wants to wait runs the event loop. Connect to the signals
// with direct connections (the default within one thread).
//
// How a protocol client drives it:
//   1. LookupHost(host) -> OnDnsLookupDone(sender, error). A dotted IPv4 host completes inside
//      the call; a name resolves in the background to its IPv4 addresses (11001 unknown,
//      11004 no IPv4 address). CancelLookup() and Abort() end a pending lookup with 10004.
//   2. SetAddr(DnsResult()), SetProto("tcp"), SetPort(port), Connect() -> OnSessionConnected.
//      It always comes after Connect has returned. A non-zero error (10061 refused, 10060
//      timed out, 10051 network unreachable, ...) is followed at once by OnSessionClosed(0).
//   3. OnDataAvailable: take bytes with Receive() (or LineReceiver::ReceiveLines) once per
//      event. The socket repeats the event while bytes remain and the handler keeps taking
//      them; a handler that takes nothing is asked again only when more bytes arrive. With no
//      handler connected, arriving bytes are read and dropped.
//   4. SendText()/Send() queue bytes; OnDataSent comes once everything queued so far has been
//      handed to the network (several sends in one event give one OnDataSent), always from the
//      event loop after the current event has returned.
//   5. OnSessionClosed(sender, error) comes once per connection, with State() already
//      wsClosed: the peer closed (0; what it sent before is handed over first through
//      OnDataAvailable), the connection broke while data was pending (10054, 10053, ...), or
//      Close()/Abort() (0). Close and Abort may be called from inside any of the events.
// After every close the settings return to their defaults and Addr and Port count as not set,
// so both must be set again before the next Connect (DnsResult and LastError stay).
//
// Failures that stop an operation from starting raise ESocketException; its ErrorCode() is the
// number behind it when there is one.
//
// TLS, through Qt's TLS socket underneath. The server's certificate is verified against the
// system's trusted authorities (see TlsTrust.h) and must carry TlsPeerName():
//   - SetTlsFromConnect(true) before Connect: the handshake follows the TCP connect, and
//     OnSessionConnected comes only once it has succeeded; a failed one gives
//     OnSessionConnected(TlsErrorCode) with the reason in TlsError(), then the close.
//   - StartTls() on a connected plain socket (after the protocol's STLS/STARTTLS went through):
//     ends with OnTlsDone(0), or OnTlsDone(TlsErrorCode) followed by the close.
// Nothing can be sent while a handshake runs, so nothing meant for the encrypted session ever
// leaves in clear.
class TWSocket : public QObject, public Transport {
    Q_OBJECT

public:
    explicit TWSocket(QObject* parent = nullptr);
    ~TWSocket() override;
    TWSocket(const TWSocket&) = delete;
    TWSocket& operator=(const TWSocket&) = delete;

    // Settings. These five may only change while the state is wsClosed; otherwise they raise
    // "Cannot change <name> if not closed".
    const QString& Addr() const { return addr_; }
    void SetAddr(const QString& addr);
    const QString& Port() const { return port_; }
    void SetPort(const QString& port); // trimmed
    const QString& Proto() const { return proto_; }
    void SetProto(const QString& proto);
    // Kept for completeness: the product never calls it.
    const QString& LocalAddr() const { return localAddr_; }
    void SetLocalAddr(const QString& addr);
    const QString& LocalPort() const { return localPort_; }
    void SetLocalPort(const QString& port);
    // Kept for completeness: the product never calls it.
    TSocketLingerOnOff LingerOnOff() const { return lingerOnOff_; }
    void SetLingerOnOff(TSocketLingerOnOff value) { lingerOnOff_ = value; }
    int LingerTimeout() const { return lingerTimeout_; }
    void SetLingerTimeout(int seconds) { lingerTimeout_ = seconds; }
    // TLS from the first byte; like Addr and Port only while closed, back to false after a
    // close.
    bool TlsFromConnect() const { return tlsFromConnect_; }
    void SetTlsFromConnect(bool on);
    // The name the server's certificate must carry (the host the user gave, not the address
    // it resolved to); empty means Addr. Only while closed; emptied after a close.
    const QString& TlsPeerName() const { return tlsPeerName_; }
    void SetTlsPeerName(const QString& name); // trimmed
    // The SHA-256 fingerprint ("AB:CD:...") of a certificate the user chose to trust although
    // it fails verification: a server presenting exactly it is accepted, any other failing
    // certificate is refused as usual. Only while closed; emptied after a close.
    const QString& TlsPinnedFingerprint() const { return tlsPinned_; }
    void SetTlsPinnedFingerprint(const QString& fingerprint);
    // TCP_NODELAY: each write leaves at once instead of waiting for the peer's acknowledgement
    // of the one before. Set when the connection comes up; back to false after a close.
    bool NoDelay() const { return noDelay_; }
    void SetNoDelay(bool on);
    // TCP_CORK on the open connection: writes are held back until they fill whole segments,
    // and go at once when it is turned off. Nothing happens while no connection is open.
    void SetCork(bool on) override;

    // Read-outs.
    const QString& DnsResult() const override { return dnsResult_; }
    const QStringList& DnsResultList() const { return dnsResultList_; }
    TSocketState State() const override { return state_; }
    // Kept for completeness: the product never calls it.
    qint64 ReadCount() const { return readCount_; }
    int LastError() const { return lastError_; }
    // Kept for completeness: the product never calls it.
    bool LookupPending() const { return lookupId_ != -1; }
    // The connection is encrypted (the handshake has succeeded).
    bool IsEncrypted() const override;
    // Why the last TLS negotiation failed ("TLS: the certificate has expired"); emptied when
    // a new one starts.
    const QString& TlsError() const override { return tlsError_; }
    // The certificate the last failed verification refused (null when none); kept after the
    // close so the user can be shown it, emptied when a new negotiation starts.
    const QSslCertificate& TlsRefusedCertificate() const override { return tlsRefused_; }
    // Bytes queued but not yet handed to the network.
    qsizetype BufferedBytes() const;
    // The system socket while one is open, else -1.
    // Kept for completeness: the product never calls it.
    qintptr Handle() const;
    // The local end of the connection ("192.0.2.7"), empty while none is up.
    QString LocalAddress() const override;

    // Starts resolving `host` to IPv4 addresses. Empty host: raises "DNS lookup: invalid host
    // name." and no event follows. A lookup still pending is cancelled without an event.
    void LookupHost(const QString& host) override;
    // Ends a pending lookup with OnDnsLookupDone(10004); does nothing when none is pending.
    // Kept for completeness: the product never calls it.
    void CancelLookup();

    // Opens a TCP connection to Addr:Port; ends with OnSessionConnected. Raises for a socket
    // already in use, a missing Addr/Port/Proto, and for texts that do not resolve
    // ("connect: WSocketResolvePort: Invalid Port.", ...). A raising Connect leaves the socket
    // closed and fires nothing.
    void Connect();
    // Sets Addr, Proto "tcp", Port and the TLS settings from `endpoint`, then Connect.
    void ConnectTo(const TransportEndpoint& endpoint) override;
    // Also hands every event below to `events` (nullptr: no longer).
    void SetEvents(TransportEvents* events) override;

    // Takes up to `length` received bytes; returns their number, 0 when the peer has closed and
    // nothing is left, -1 with LastError 10035 when nothing is waiting (10057 when not
    // connected).
    int Receive(char* buffer, int length) override;
    // Received bytes waiting to be taken.
    qint64 BytesAvailable() const override;

    // Queue bytes for sending and return their number. Not connected: raises "Error 10057 in
    // function Send" (and closes a socket still connecting).
    int SendText(const QString& text); // as UTF-8
    int Send(QByteArrayView bytes) override;

    // Switches the connected plain socket to TLS; ends with OnTlsDone. Raises when the socket
    // is not connected, is encrypted already or still has bytes to send. Bytes received but not
    // taken yet are dropped: whatever came in clear after the server's go-ahead may have been
    // put there by anyone on the way.
    void StartTls() override;

    // Orderly close: ends TLS with a close notice when the session is encrypted, shuts down the
    // sending direction, then closes. Fires OnSessionClosed(0)
    // unless it already fired for this connection. Nothing happens when the socket is not open.
    void Close() override;
    // Cancels a pending lookup (OnDnsLookupDone(10004)), drops unsent data and closes without a
    // shutdown; OnSessionClosed(0) as for Close.
    void Abort() override;

    // This machine's name for HELO/EHLO; raises "Winsock.GetHostName failed" when the system has
    // none or it does not fit 63 bytes.
    // Kept for completeness: the product never calls it.
    static QString LocalHostName();

signals:
    void OnDnsLookupDone(sievra::TWSocket* sender, quint16 error);
    void OnSessionConnected(sievra::TWSocket* sender, quint16 error);
    void OnDataAvailable(sievra::TWSocket* sender, quint16 error);
    void OnDataSent(sievra::TWSocket* sender, quint16 error);
    void OnSessionClosed(sievra::TWSocket* sender, quint16 error);
    // The StartTls handshake has ended: 0, or TlsErrorCode (the socket closes right after).
    void OnTlsDone(sievra::TWSocket* sender, quint16 error);

private Q_SLOTS:
    void LookupFinished(const QHostInfo& info);

private:
    void RequireClosed(const char* name) const;
    [[noreturn]] void RaiseSocketError(quint16 code, const QString& function);
    void ResetSettings();

    void ForgetLookup();

    void StartTransport(const QHostAddress& address, quint16 port);
    bool ApplySocketOptions();
    void ReportConnect(quint16 error);
    void ConnectFinished(quint16 error);

    void QtConnected();
    void QtEncrypted();
    void QtSslErrors(const QList<QSslError>& errors);
    void QtError(QAbstractSocket::SocketError error);
    // A handshake went wrong: the connect or StartTls fails with TlsErrorCode.
    void FailTls(const QString& reason);
    void FinishStartTls(quint16 error);
    void PostReceiveCycle();
    void GoOnAfterEvent(quint64 connection, quint16 error);
    void QtDisconnected();
    void PeerEndedTls();
    void EndAfterPendingData(bool sendCloseNotice);
    void ReceiveCycle();

    void TryToSend();
    bool AllSent() const;
    void PostWritable();
    void WritableNotification();

    // Lets go of the Qt socket (deleted later: we may be inside one of its signals).
    void ReleaseSocket(bool shutdownFirst);
    // Marks the connection closed, fires OnSessionClosed(error) once and resets the settings.
    void EndConnection(quint16 error);

    QString addr_;
    QString port_;
    QString proto_;
    QString localAddr_;
    QString localPort_;
    bool addrAssigned_ = false;
    bool portAssigned_ = false;
    TSocketLingerOnOff lingerOnOff_ = wsLingerOn;
    int lingerTimeout_ = 0;
    bool tlsFromConnect_ = false;
    QString tlsPeerName_;
    bool noDelay_ = false;
    QList<QMetaObject::Connection> eventLinks_;

    QString dnsResult_;
    QStringList dnsResultList_;
    TSocketState state_ = wsClosed;
    qint64 readCount_ = 0;
    int lastError_ = 0;

    int lookupId_ = -1;

    QSslSocket* sock_ = nullptr;
    quint64 connection_ = 0; // tells posted work of an earlier connection apart
    bool closedFired_ = true;
    bool insideConnect_ = false;
    bool insideSend_ = false;
    bool destroying_ = false;
    quint16 lostError_ = 0;

    // TLS of the current connection.
    bool tcpUp_ = false;       // the TCP connect under a TLS-from-connect has succeeded
    bool handshaking_ = false; // a handshake runs (from the connect or from StartTls)
    bool insideStartTls_ = false;
    QString peerName_; // fixed when the connection starts
    QString tlsError_;
    QString tlsPinned_;
    QSslCertificate tlsRefused_;

    SendBuffer sendBuffer_;
    bool dataSentDue_ = false;
    bool writablePosted_ = false;
};

} // namespace sievra
