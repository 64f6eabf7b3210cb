#include "LineConnection.h"

#include "SocketError.h"

#include <QCoreApplication>
#include <QPointer>

namespace sievra {

LineConnection::LineConnection(LineConnectionEvents& owner, std::unique_ptr<Transport> transport,
                               QString replyPrefix)
    : owner_(owner)
    , transport_(std::move(transport))
    , replyPrefix_(std::move(replyPrefix)) {
    transport_->SetEvents(this);
}

LineConnection::~LineConnection() {
    // The transport goes quietly with us; nothing may call back into a half-destroyed client.
    transport_->SetEvents(nullptr);
}

QString LineConnection::SocketFailure(quint16 error) const {
    return replyPrefix_ +
           QStringLiteral("%1 (Winsock error #%2)").arg(WSocketErrorDesc(error)).arg(error);
}

QString LineConnection::ExceptionFailure(const ClientException& e) const {
    return replyPrefix_ + e.ClassName() + QStringLiteral(": ") + e.Message();
}

// ---- Connecting

void LineConnection::Open(const QString& host, const QString& port, ConnectionSecurity security,
                          const QString& pinnedFingerprint, bool noDelay) {
    lines_.Clear();
    host_ = host;
    port_ = port;
    pinned_ = pinnedFingerprint;
    noDelay_ = noDelay;
    security_ = security;
    tlsError_.clear();
    phase_ = Phase::LookingUp;
    try {
        // A dotted address completes inside this call and goes on to the TCP connect.
        transport_->LookupHost(host);
    } catch (...) {
        if (phase_ == Phase::LookingUp) {
            phase_ = Phase::Idle;
        }
        throw;
    }
}

void LineConnection::TransportLookupDone(quint16 error) {
    if (phase_ != Phase::LookingUp) {
        return;
    }
    if (error != WsaError::NoError) {
        phase_ = Phase::Idle;
        owner_.ConnectionFailed(error, SocketFailure(error));
        return;
    }
    phase_ = Phase::Connecting;
    owner_.ConnectionConnecting();
    TransportEndpoint endpoint;
    endpoint.Addr = transport_->DnsResult();
    endpoint.Port = port_;
    endpoint.TlsPeerName = host_;
    endpoint.TlsPinnedFingerprint = pinned_;
    endpoint.TlsFromConnect = security_ == ConnectionSecurity::Tls;
    endpoint.NoDelay = noDelay_;
    try {
        transport_->ConnectTo(endpoint);
    } catch (const ClientException& e) {
        phase_ = Phase::Idle;
        owner_.ConnectionFailed(ProtocolErrorCode, ExceptionFailure(e));
    }
}

void LineConnection::TransportConnected(quint16 error) {
    if (phase_ != Phase::Connecting) {
        return;
    }
    if (error != WsaError::NoError) {
        phase_ = Phase::Idle;
        connected_ = false;
        if (error == TlsErrorCode) {
            tlsError_ = transport_->TlsError();
            owner_.ConnectionFailed(error, replyPrefix_ + tlsError_);
        } else {
            owner_.ConnectionFailed(error, SocketFailure(error));
        }
        transport_->Close();
        return;
    }
    phase_ = Phase::Up;
    connected_ = true;
    owner_.ConnectionUp();
}

bool LineConnection::Unprotected() const {
    return security_ != ConnectionSecurity::None && !transport_->IsEncrypted();
}

// ---- TLS after the protocol's go-ahead

void LineConnection::StartTls() {
    phase_ = Phase::Handshake;
    try {
        transport_->StartTls();
    } catch (const ClientException& e) {
        FailTls(QStringLiteral("TLS: ") + e.Message());
    }
}

void LineConnection::TransportTlsDone(quint16 error) {
    if (phase_ != Phase::Handshake) {
        return;
    }
    phase_ = Phase::Up;
    if (error != WsaError::NoError) {
        FailTls(transport_->TlsError());
        return;
    }
    owner_.ConnectionTlsUp();
}

void LineConnection::FailTls(const QString& reason) {
    tlsError_ = reason;
    owner_.ConnectionFailed(TlsErrorCode, replyPrefix_ + reason);
    lines_.Clear();
    Close();
}

// ---- Receiving

void LineConnection::TransportDataAvailable() {
    // Not again from inside a handler that runs the event loop: the lines still being handed
    // over sit in the buffer, and the loop below takes what came meanwhile.
    if (receiving_) {
        return;
    }
    const QPointer<LineConnection> alive(this);
    receiving_ = true;
    do {
        const auto status = lines_.ReceiveLines(
            *transport_, [this](const QByteArray& line) { owner_.ConnectionLine(line); });
        if (!alive) {
            return;
        }
        if (status == LineReceiver::Status::LineTooLong) {
            // Such a line can never end inside the buffer; waiting for it would only run into
            // the caller's time-out.
            owner_.ConnectionLineTooLong();
            Close();
        }
        // Bytes that arrived while a handler ran are not announced again.
    } while (connected_ && transport_->BytesAvailable() > 0);
    receiving_ = false;
}

void LineConnection::TransportDataSent() {
    owner_.ConnectionAllSent();
}

void LineConnection::TransportClosed(quint16 error) {
    phase_ = Phase::Idle;
    connected_ = false;
    // Lines the server sent before it went are still handed over; the next Open starts afresh.
    owner_.ConnectionClosed(error);
}

// ---- Completion

void LineConnection::Post(std::function<void()> report) {
    QMetaObject::invokeMethod(this, std::move(report), Qt::QueuedConnection);
}

void LineConnection::FlushPosted() {
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

} // namespace sievra
