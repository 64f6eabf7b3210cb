#pragma once

#include "net/ClientException.h"
#include "net/ConnectionSecurity.h"
#include "net/LineReceiver.h"
#include "net/Transport.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace sievra {

// What a protocol client hears from its LineConnection.
class LineConnectionEvents {
public:
    // The lookup has succeeded and the TCP connect starts.
    virtual void ConnectionConnecting() = 0;
    // The connect could not be made: the lookup, the TCP connect or the TLS from the first
    // byte failed, or a setting was refused. `response` says why in the protocol's words.
    virtual void ConnectionFailed(quint16 error, const QString& response) = 0;
    // Connected (and encrypted, for TLS from the first byte): the greeting comes next.
    virtual void ConnectionUp() = 0;
    // Each complete line, in the order they came, without its CR LF.
    virtual void ConnectionLine(const QByteArray& line) = 0;
    // A line that can never fit the receive buffer: fail the request. The connection closes
    // right after.
    virtual void ConnectionLineTooLong() = 0;
    // The StartTls handshake succeeded; a failed one ends in ConnectionFailed and the close.
    virtual void ConnectionTlsUp() = 0;
    // Everything sent so far has been handed to the network.
    virtual void ConnectionAllSent() {}
    // Once per connection that was open or opening.
    virtual void ConnectionClosed(quint16 error) = 0;

protected:
    ~LineConnectionEvents() = default;
};

// The steps every line-based mail client takes on its connection: host lookup, connect, TLS
// from the first byte or after the protocol's go-ahead, the "not encrypted" guard, the receive
// loop that cuts lines, the line-too-long failure, and the one-shot completion posted to the
// event loop. A client keeps only its dialogue: greeting, commands and replies.
//
// Bytes may be sent at any time while connected, several commands before their answers; the
// lines come back in order through ConnectionLine.
class LineConnection : public QObject, private TransportEvents {
    Q_OBJECT

public:
    // `replyPrefix` starts the failure texts in the protocol's words ("-ERR ", "500 ").
    LineConnection(LineConnectionEvents& owner, std::unique_ptr<Transport> transport,
                   QString replyPrefix);
    ~LineConnection() override;
    LineConnection(const LineConnection&) = delete;
    LineConnection& operator=(const LineConnection&) = delete;

    // Starts the lookup of `host`, then connects to `port` with `security` (Tls: from the first
    // byte). Raises, with nothing started, for a host that cannot be looked up.
    void Open(const QString& host, const QString& port, ConnectionSecurity security,
              const QString& pinnedFingerprint, bool noDelay = false);
    // The security the session was opened with, or upgraded to by a probe that found STLS or
    // STARTTLS offered.
    ConnectionSecurity Security() const { return security_; }
    void UpgradeToStartTls() { security_ = ConnectionSecurity::StartTls; }
    // The session was to be encrypted but is not (yet): nothing secret may go out.
    bool Unprotected() const;

    bool Connected() const { return connected_; }
    bool CanSend() const { return transport_->State() == wsConnected; }
    bool Encrypted() const { return transport_->IsEncrypted(); }
    const QString& TlsError() const { return tlsError_; }
    const QSslCertificate& RefusedCertificate() const {
        return transport_->TlsRefusedCertificate();
    }
    QString LocalAddress() const { return transport_->LocalAddress(); }

    // Queues bytes; raises the transport's exception when not connected.
    void Send(QByteArrayView bytes) { transport_->Send(bytes); }
    void SetCork(bool on) { transport_->SetCork(on); }

    // Switches to TLS after the server's go-ahead; whatever came in clear after it is dropped.
    // A failure to start ends like a failed handshake.
    void StartTls();
    // The connect fails with TlsErrorCode and `reason` (also TlsError()), and the connection
    // closes: a session that was to be encrypted never goes on in clear.
    void FailTls(const QString& reason);

    void ClearLines() { lines_.Clear(); }
    void SetCutLongLines(bool on) { lines_.SetCutLongLines(on); }

    // Orderly close (TLS close notice first); ConnectionClosed follows. Nothing when closed.
    void Close() { transport_->Close(); }
    // Ends a lookup or connection at once.
    void Abort() { transport_->Abort(); }

    // Runs `report` from the event loop, after the event that is running now.
    void Post(std::function<void()> report);
    // Runs at once what Post queued and the event loop has not run yet.
    void FlushPosted();

    // "<prefix><description> (Winsock error #<error>)".
    QString SocketFailure(quint16 error) const;
    // "<prefix><class>: <message>".
    QString ExceptionFailure(const ClientException& e) const;

private:
    enum class Phase { Idle, LookingUp, Connecting, Up, Handshake };

    void TransportLookupDone(quint16 error) override;
    void TransportConnected(quint16 error) override;
    void TransportDataAvailable() override;
    void TransportDataSent() override;
    void TransportClosed(quint16 error) override;
    void TransportTlsDone(quint16 error) override;

    LineConnectionEvents& owner_;
    std::unique_ptr<Transport> transport_;
    QString replyPrefix_;
    LineReceiver lines_;

    Phase phase_ = Phase::Idle;
    bool connected_ = false;
    bool receiving_ = false;
    QString host_;
    QString port_;
    QString pinned_;
    bool noDelay_ = false;
    ConnectionSecurity security_ = ConnectionSecurity::None;
    QString tlsError_;
};

} // namespace sievra
