#include "ScriptedTransport.h"

#include "net/ClientException.h"
#include "net/SocketError.h"

#include <algorithm>
#include <cstring>

namespace sievra::test {

void ScriptedTransport::LookupHost(const QString& host) {
    if (host.trimmed().isEmpty()) {
        throw ESocketException(QStringLiteral("DNS lookup: invalid host name."));
    }
    dnsResult_ = lookupError_ == 0 ? QStringLiteral("192.0.2.1") : QString();
    if (events_ != nullptr) {
        events_->TransportLookupDone(lookupError_);
    }
}

void ScriptedTransport::ConnectTo(const TransportEndpoint& endpoint) {
    if (state_ != wsClosed) {
        throw ESocketException(QStringLiteral("Cannot change Addr if not closed"));
    }
    endpoint_ = endpoint;
    inbound_.clear();
    encrypted_ = false;
    tlsError_.clear();
    state_ = wsConnecting;
}

void ScriptedTransport::Accept(quint16 error) {
    if (state_ != wsConnecting) {
        return;
    }
    state_ = wsConnected;
    encrypted_ = error == 0 && endpoint_.TlsFromConnect;
    if (error == TlsErrorCode) {
        tlsError_ = QStringLiteral("TLS: scripted handshake failure");
    }
    if (events_ != nullptr) {
        events_->TransportConnected(error);
    }
    if (error != 0 && state_ != wsClosed) {
        End(WsaError::NoError);
    }
}

void ScriptedTransport::Deliver(QByteArrayView bytes) {
    if (state_ != wsConnected) {
        return;
    }
    inbound_.append(bytes);
    // As TWSocket: asked again while bytes remain and the handler keeps taking them.
    while (state_ == wsConnected && !inbound_.isEmpty() && events_ != nullptr) {
        const qsizetype before = inbound_.size();
        events_->TransportDataAvailable();
        if (inbound_.size() == before) {
            break;
        }
    }
}

void ScriptedTransport::Drain() {
    if (state_ == wsConnected && events_ != nullptr) {
        events_->TransportDataSent();
    }
}

void ScriptedTransport::StartTls() {
    if (state_ != wsConnected || encrypted_) {
        throw ESocketException(QStringLiteral("StartTls: not a plain connection"));
    }
    inbound_.clear();
    handshaking_ = true;
}

void ScriptedTransport::FinishTls(bool ok, const QString& reason) {
    if (!handshaking_) {
        return;
    }
    handshaking_ = false;
    encrypted_ = ok;
    tlsError_ = ok ? QString() : reason;
    if (events_ != nullptr) {
        events_->TransportTlsDone(ok ? 0 : TlsErrorCode);
    }
    if (!ok) {
        End(WsaError::NoError);
    }
}

void ScriptedTransport::PeerCloses(quint16 error) {
    End(error);
}

int ScriptedTransport::Receive(char* buffer, int length) {
    if (state_ != wsConnected) {
        return -1;
    }
    const int taken = static_cast<int>(std::min<qsizetype>(length, inbound_.size()));
    std::memcpy(buffer, inbound_.constData(), static_cast<std::size_t>(taken));
    inbound_.remove(0, taken);
    return taken;
}

int ScriptedTransport::Send(QByteArrayView bytes) {
    if (state_ != wsConnected || handshaking_) {
        throw ESocketException(QStringLiteral("Error 10057 in function Send"),
                               WsaError::NotConnected);
    }
    sent_.append(bytes);
    return static_cast<int>(bytes.size());
}

QByteArray ScriptedTransport::TakeSent() {
    QByteArray sent;
    sent.swap(sent_);
    return sent;
}

QString ScriptedTransport::LocalAddress() const {
    return state_ == wsConnected ? QStringLiteral("192.0.2.7") : QString();
}

void ScriptedTransport::Close() {
    End(WsaError::NoError);
}

void ScriptedTransport::End(quint16 error) {
    if (state_ == wsClosed) {
        return;
    }
    state_ = wsClosed;
    handshaking_ = false;
    encrypted_ = false;
    inbound_.clear();
    corked_ = false;
    ++closes_;
    if (events_ != nullptr) {
        events_->TransportClosed(error);
    }
}

} // namespace sievra::test
