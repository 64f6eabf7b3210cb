#include "TWSocket.h"

#include "SocketError.h"
#include "SocketResolve.h"
#include "TlsTrust.h"

#include <QHostInfo>
#include <QMetaMethod>
#include <QPointer>
#include <QSslSocket>
#include <QTimer>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace sievra {

namespace {

// How long a closed TLS socket may take to get its close notice out.
constexpr int CloseNoticeMs = 5000;

// What Qt may hold of received bytes not yet read by the session.
constexpr qint64 ReadBufferBytes = 256 * 1024;

// How much of the send buffer may sit in Qt's own write buffer at once. Beyond it the blocks
// wait in our buffer until Qt reports bytes written, as a system send would block.
constexpr qint64 MaxInFlight = 8 * TBuffer::DefaultSize;

const QString DefaultProto = QStringLiteral("tcp");
const QString DefaultLocalAddr = QStringLiteral("0.0.0.0");
const QString DefaultLocalPort = QStringLiteral("0");

} // namespace

TWSocket::TWSocket(QObject* parent)
    : QObject(parent) {
    ResetSettings();
}

TWSocket::~TWSocket() {
    // No events while going away: the owner is being torn down.
    destroying_ = true;
    ForgetLookup();
    if (sock_ != nullptr) {
        ReleaseSocket(false);
    }
}

void TWSocket::RequireClosed(const char* name) const {
    if (state_ != wsClosed) {
        throw ESocketException(
            QStringLiteral("Cannot change %1 if not closed").arg(QLatin1String(name)));
    }
}

void TWSocket::SetAddr(const QString& addr) {
    RequireClosed("Addr");
    addr_ = addr;
    addrAssigned_ = true;
}

void TWSocket::SetPort(const QString& port) {
    RequireClosed("Port");
    port_ = port.trimmed();
    portAssigned_ = true;
}

void TWSocket::SetProto(const QString& proto) {
    RequireClosed("Proto");
    proto_ = proto;
}

void TWSocket::SetLocalAddr(const QString& addr) {
    RequireClosed("LocalAddr");
    localAddr_ = addr;
}

void TWSocket::SetLocalPort(const QString& port) {
    RequireClosed("LocalPort");
    localPort_ = port;
}

void TWSocket::SetTlsFromConnect(bool on) {
    RequireClosed("TlsFromConnect");
    tlsFromConnect_ = on;
}

void TWSocket::SetTlsPeerName(const QString& name) {
    RequireClosed("TlsPeerName");
    tlsPeerName_ = name.trimmed();
}

void TWSocket::SetTlsPinnedFingerprint(const QString& fingerprint) {
    RequireClosed("TlsPinnedFingerprint");
    tlsPinned_ = NormalFingerprint(fingerprint); // however it was typed into the store
}

void TWSocket::ResetSettings() {
    proto_ = DefaultProto;
    localAddr_ = DefaultLocalAddr;
    localPort_ = DefaultLocalPort;
    lingerOnOff_ = wsLingerOn;
    lingerTimeout_ = 0;
    readCount_ = 0;
    addrAssigned_ = false;
    portAssigned_ = false;
    tlsFromConnect_ = false;
    tlsPeerName_.clear();
    tlsPinned_.clear();
    noDelay_ = false;
}

void TWSocket::SetNoDelay(bool on) {
    noDelay_ = on;
    if (state_ == wsConnected && Handle() != -1) {
        const int value = on ? 1 : 0;
        ::setsockopt(static_cast<int>(Handle()), IPPROTO_TCP, TCP_NODELAY, &value, sizeof value);
    }
}

void TWSocket::SetCork(bool on) {
#ifdef TCP_CORK
    if (state_ == wsConnected && Handle() != -1) {
        const int value = on ? 1 : 0;
        ::setsockopt(static_cast<int>(Handle()), IPPROTO_TCP, TCP_CORK, &value, sizeof value);
    }
#else
    Q_UNUSED(on);
#endif
}

void TWSocket::ConnectTo(const TransportEndpoint& endpoint) {
    SetAddr(endpoint.Addr);
    SetProto(QStringLiteral("tcp"));
    SetPort(endpoint.Port);
    SetTlsFromConnect(endpoint.TlsFromConnect);
    SetTlsPeerName(endpoint.TlsPeerName);
    SetTlsPinnedFingerprint(endpoint.TlsPinnedFingerprint);
    noDelay_ = endpoint.NoDelay;
    Connect();
}

void TWSocket::SetEvents(TransportEvents* events) {
    for (const QMetaObject::Connection& link : std::as_const(eventLinks_)) {
        disconnect(link);
    }
    eventLinks_.clear();
    if (events == nullptr) {
        return;
    }
    eventLinks_ = {
        connect(this, &TWSocket::OnDnsLookupDone, this,
                [events](TWSocket*, quint16 error) { events->TransportLookupDone(error); }),
        connect(this, &TWSocket::OnSessionConnected, this,
                [events](TWSocket*, quint16 error) { events->TransportConnected(error); }),
        connect(this, &TWSocket::OnDataAvailable, this,
                [events] { events->TransportDataAvailable(); }),
        connect(this, &TWSocket::OnDataSent, this, [events] { events->TransportDataSent(); }),
        connect(this, &TWSocket::OnSessionClosed, this,
                [events](TWSocket*, quint16 error) { events->TransportClosed(error); }),
        connect(this, &TWSocket::OnTlsDone, this,
                [events](TWSocket*, quint16 error) { events->TransportTlsDone(error); }),
    };
}

void TWSocket::RaiseSocketError(quint16 code, const QString& function) {
    lastError_ = code;
    // A reset or missing connection leaves nothing to keep open.
    if (code == WsaError::ConnectionReset || code == WsaError::NotConnected) {
        Close();
    }
    throw ESocketException(QStringLiteral("Error %1 in function %2\r\n%3")
                               .arg(code)
                               .arg(function, WSocketErrorDesc(code)),
                           code);
}

qsizetype TWSocket::BufferedBytes() const {
    return sendBuffer_.Pending() + (sock_ != nullptr ? sock_->bytesToWrite() : 0);
}

qintptr TWSocket::Handle() const {
    return sock_ != nullptr ? sock_->socketDescriptor() : -1;
}

bool TWSocket::IsEncrypted() const {
    return sock_ != nullptr && state_ == wsConnected && sock_->isEncrypted();
}

// ---- Host lookup

void TWSocket::LookupHost(const QString& host) {
    if (host.isEmpty()) {
        lastError_ = WsaError::InvalidArgument;
        throw ESocketException(QStringLiteral("DNS lookup: invalid host name."),
                               WsaError::InvalidArgument);
    }
    ForgetLookup();
    dnsResult_.clear();
    dnsResultList_.clear();
    if (const auto dotted = DottedAddress(host)) {
        dnsResult_ = *dotted;
        emit OnDnsLookupDone(this, WsaError::NoError);
        return;
    }
    // The slot form, not a functor: Qt leaks a functor's slot object when a lookup is aborted.
    lookupId_ = QHostInfo::lookupHost(host.trimmed(), this, SLOT(LookupFinished(QHostInfo)));
}

void TWSocket::LookupFinished(const QHostInfo& info) {
    // An answer to a lookup that was cancelled or replaced meanwhile.
    if (lookupId_ == -1 || info.lookupId() != lookupId_) {
        return;
    }
    lookupId_ = -1;
    quint16 error = WSocketErrorFromLookup(info.error(), info.errorString());
    if (error == WsaError::NoError) {
        for (const QHostAddress& address : info.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                dnsResultList_.append(address.toString());
            }
        }
        if (dnsResultList_.isEmpty()) {
            error = WsaError::NoData;
        } else {
            dnsResult_ = dnsResultList_.first();
        }
    }
    if (error != WsaError::NoError) {
        lastError_ = error;
    }
    emit OnDnsLookupDone(this, error);
}

void TWSocket::ForgetLookup() {
    if (lookupId_ != -1) {
        QHostInfo::abortHostLookup(lookupId_);
        lookupId_ = -1;
    }
}

void TWSocket::CancelLookup() {
    if (lookupId_ == -1) {
        return;
    }
    ForgetLookup();
    if (!destroying_) {
        emit OnDnsLookupDone(this, WsaError::Interrupted);
    }
}

// ---- Connect

void TWSocket::Connect() {
    if (state_ != wsClosed) {
        throw ESocketException(QStringLiteral("Connect: Socket already in use"));
    }
    if (!portAssigned_) {
        throw ESocketException(QStringLiteral("Connect: No Port Specified"));
    }
    if (!addrAssigned_) {
        throw ESocketException(QStringLiteral("Connect: No IP Address Specified"));
    }
    if (proto_.isEmpty()) {
        throw ESocketException(QStringLiteral("Connect: No Protocol Specified"));
    }
    if (tlsFromConnect_ && !QSslSocket::supportsSsl()) {
        throw ESocketException(QStringLiteral("Connect: TLS is not available on this system"));
    }
    QHostAddress address;
    quint16 port = 0;
    quint16 localPort = 0;
    QHostAddress localAddress;
    try {
        WSocketResolveProto(proto_);
        port = WSocketResolvePort(port_, proto_);
        localPort = WSocketResolvePort(localPort_, proto_);
        localAddress = WSocketResolveHost(localAddr_);
        address = WSocketResolveHost(addr_);
    } catch (const ESocketException& e) {
        throw ESocketException(QStringLiteral("connect: ") + e.Message(), e.ErrorCode());
    }

    // Qt's TLS-capable socket binds an idle handle of its own, not the one it connects with, so
    // a local address cannot be honoured. Nothing in the product binds.
    if (localPort != 0 || localAddress != QHostAddress(QHostAddress::AnyIPv4)) {
        lastError_ = WsaError::OperationNotSupported;
        throw ESocketException(
            QStringLiteral("winsock.bind failed, error #%1").arg(WsaError::OperationNotSupported),
            WsaError::OperationNotSupported);
    }

    sendBuffer_.Clear();
    dataSentDue_ = false;
    ++connection_;
    closedFired_ = false;
    lostError_ = WsaError::NoError;
    tcpUp_ = false;
    handshaking_ = false;
    tlsError_.clear();
    tlsRefused_.clear();
    peerName_ = tlsPeerName_.isEmpty() ? addr_.trimmed() : tlsPeerName_;
    sock_ = new QSslSocket(this);
    // Qt would otherwise take in all a server sends, however much faster than the lines are
    // handled; a bounded buffer leaves the rest to TCP's flow control.
    sock_->setReadBufferSize(ReadBufferBytes);
    connect(sock_, &QAbstractSocket::connected, this, &TWSocket::QtConnected);
    connect(sock_, &QSslSocket::encrypted, this, &TWSocket::QtEncrypted);
    connect(sock_, &QSslSocket::sslErrors, this, &TWSocket::QtSslErrors);
    connect(sock_, &QAbstractSocket::errorOccurred, this, &TWSocket::QtError);
    connect(sock_, &QAbstractSocket::disconnected, this, &TWSocket::QtDisconnected);
    connect(sock_, &QIODevice::readyRead, this, &TWSocket::ReceiveCycle);
    connect(sock_, &QIODevice::bytesWritten, this, &TWSocket::WritableNotification);
    state_ = wsOpened;
    state_ = wsConnecting;
    insideConnect_ = true;
    StartTransport(address, port);
    insideConnect_ = false;
}

void TWSocket::StartTransport(const QHostAddress& address, quint16 port) {
    if (tlsFromConnect_) {
        // The session counts as connected at encrypted(), not at the TCP connect.
        handshaking_ = true;
        // The trusted authorities are read only for a connection that uses them: parsing a
        // certificate store costs more than a whole plain pass over a small mailbox.
        sock_->setSslConfiguration(ClientTlsConfiguration());
        sock_->connectToHostEncrypted(address.toString(), port, peerName_);
        return;
    }
    sock_->connectToHost(address.toString(), port);
}

bool TWSocket::ApplySocketOptions() {
    // Qt's TLS-capable socket shows its system handle only once connected, so the options are
    // set then, before any byte goes either way.
    const int handle = static_cast<int>(Handle());
    // Linger on with 0 seconds (the default) makes a later close drop unsent data at once.
    if (lingerOnOff_ != wsLingerNoSet) {
        const linger value{lingerOnOff_ == wsLingerOn ? 1 : 0, lingerTimeout_};
        if (::setsockopt(handle, SOL_SOCKET, SO_LINGER, &value, sizeof value) != 0) {
            return false;
        }
    }
    const int on = 1;
    if (noDelay_ && ::setsockopt(handle, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
        return false;
    }
    return ::setsockopt(handle, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) == 0;
}

void TWSocket::QtConnected() {
    if (state_ != wsConnecting) {
        return;
    }
    if (tlsFromConnect_) {
        tcpUp_ = true; // the handshake follows
        return;
    }
    ReportConnect(WsaError::NoError);
}

// ---- TLS

void TWSocket::QtEncrypted() {
    if (!handshaking_) {
        return;
    }
    handshaking_ = false;
    if (state_ == wsConnecting) {
        ReportConnect(WsaError::NoError);
    } else if (state_ == wsConnected) {
        FinishStartTls(WsaError::NoError);
    }
}

void TWSocket::QtSslErrors(const QList<QSslError>& errors) {
    const QSslCertificate certificate = sock_->peerCertificate();
    const QString fingerprint = CertificateFingerprint(certificate);
    if (!tlsPinned_.isEmpty() && fingerprint == tlsPinned_) {
        sock_->ignoreSslErrors(); // exactly the certificate the user trusted for this account
        return;
    }
    // Not ignored: Qt ends the handshake right after this signal, and the failure that follows
    // carries this reason, with the fingerprint the user can compare or pin.
    tlsRefused_ = certificate;
    tlsError_ = CertificateFailureText(errors, peerName_);
    if (!fingerprint.isEmpty()) {
        tlsError_ += QStringLiteral(" (SHA-256 ") + fingerprint + QLatin1Char(')');
    }
}

void TWSocket::StartTls() {
    if (sock_ == nullptr || state_ != wsConnected) {
        lastError_ = WsaError::NotConnected;
        throw ESocketException(QStringLiteral("StartTls: Socket is not connected"),
                               WsaError::NotConnected);
    }
    if (handshaking_ || sock_->isEncrypted()) {
        throw ESocketException(QStringLiteral("StartTls: TLS is already on"));
    }
    if (BufferedBytes() > 0) {
        throw ESocketException(QStringLiteral("StartTls: data is still waiting to be sent"));
    }
    if (!QSslSocket::supportsSsl()) {
        throw ESocketException(QStringLiteral("StartTls: TLS is not available on this system"));
    }
    // RFC 2595 and RFC 3207: nothing received in clear counts once TLS is on.
    sock_->skip(sock_->bytesAvailable());
    tlsError_.clear();
    tlsRefused_.clear();
    handshaking_ = true;
    sock_->setSslConfiguration(ClientTlsConfiguration());
    sock_->setPeerVerifyName(peerName_);
    insideStartTls_ = true;
    sock_->startClientEncryption();
    insideStartTls_ = false;
}

void TWSocket::FailTls(const QString& reason) {
    handshaking_ = false;
    tlsError_ = reason;
    lastError_ = TlsErrorCode;
    if (state_ == wsConnecting) {
        ReportConnect(TlsErrorCode);
    } else if (state_ == wsConnected) {
        FinishStartTls(TlsErrorCode);
    }
}

void TWSocket::FinishStartTls(quint16 error) {
    if (insideStartTls_) {
        // Like every completion, reported after the call that started it has returned.
        QMetaObject::invokeMethod(
            this,
            [this, error, connection = connection_] {
                if (connection == connection_ && state_ == wsConnected) {
                    FinishStartTls(error);
                }
            },
            Qt::QueuedConnection);
        return;
    }
    const quint64 connection = connection_;
    QPointer<TWSocket> alive(this);
    emit OnTlsDone(this, error);
    if (alive) {
        GoOnAfterEvent(connection, error);
    }
}

void TWSocket::PostReceiveCycle() {
    // Bytes that arrived with the end of a handshake were announced while the session was not
    // ours yet; they are handed over now.
    QMetaObject::invokeMethod(
        this,
        [this, connection = connection_] {
            if (connection == connection_) {
                ReceiveCycle();
            }
        },
        Qt::QueuedConnection);
}

void TWSocket::ReportConnect(quint16 error) {
    if (!insideConnect_) {
        ConnectFinished(error);
        return;
    }
    // Settled within connectToHost: reported after Connect has returned, like any connect.
    QMetaObject::invokeMethod(
        this,
        [this, error, connection = connection_] {
            if (connection == connection_ && state_ == wsConnecting) {
                ConnectFinished(error);
            }
        },
        Qt::QueuedConnection);
}

void TWSocket::ConnectFinished(quint16 error) {
    if (error == WsaError::NoError && !ApplySocketOptions()) {
        error = WsaError::InvalidArgument;
    }
    // wsConnected also after a failed attempt; the close below follows at once.
    state_ = wsConnected;
    if (error != WsaError::NoError) {
        lastError_ = error;
    }
    const quint64 connection = connection_;
    QPointer<TWSocket> alive(this);
    emit OnSessionConnected(this, error);
    if (alive) {
        GoOnAfterEvent(connection, error);
    }
}

// After an event whose handler may have closed or reused the connection: a failure ends the
// connection, a success hands over bytes that came with it.
void TWSocket::GoOnAfterEvent(quint64 connection, quint16 error) {
    if (connection != connection_ || state_ == wsClosed) {
        return;
    }
    if (error != WsaError::NoError) {
        Close();
    } else if (BytesAvailable() > 0) {
        PostReceiveCycle();
    }
}

void TWSocket::QtError(QAbstractSocket::SocketError error) {
    if (handshaking_ && (tcpUp_ || state_ == wsConnected)) {
        if (!tlsError_.isEmpty()) {
            FailTls(tlsError_); // the certificate's reason, from sslErrors
        } else if (error == QAbstractSocket::RemoteHostClosedError) {
            FailTls(QStringLiteral("TLS: the server closed the connection during the handshake"));
        } else {
            FailTls(QStringLiteral("TLS: the handshake failed (") + sock_->errorString() +
                    QLatin1Char(')'));
        }
        return;
    }
    const quint16 code = WSocketErrorFromQt(error, sock_->errorString());
    if (state_ == wsConnecting) {
        ReportConnect(code);
        return;
    }
    if (state_ != wsConnected) {
        return;
    }
    // The peer's orderly close with nothing left to send is a normal end, not an error.
    const bool orderlyEnd = error == QAbstractSocket::RemoteHostClosedError && BufferedBytes() == 0;
    lostError_ = orderlyEnd ? WsaError::NoError : code;
    if (sock_->state() == QAbstractSocket::UnconnectedState) {
        QtDisconnected();
    } else if (error == QAbstractSocket::RemoteHostClosedError && sock_->isEncrypted()) {
        PeerEndedTls();
    }
}

// ---- Receiving

void TWSocket::ReceiveCycle() {
    const quint64 connection = connection_;
    QPointer<TWSocket> alive(this);
    const bool handled = isSignalConnected(QMetaMethod::fromSignal(&TWSocket::OnDataAvailable));
    while (sock_ != nullptr && connection == connection_ && state_ == wsConnected) {
        const qint64 before = sock_->bytesAvailable();
        if (before <= 0) {
            return;
        }
        if (handled) {
            emit OnDataAvailable(this, WsaError::NoError);
        } else {
            char discard[1024];
            Receive(discard, static_cast<int>(sizeof discard));
        }
        if (!alive || sock_ == nullptr || connection != connection_) {
            return;
        }
        // A handler that took nothing waits for more data; asking it again would only spin.
        if (sock_->bytesAvailable() >= before) {
            return;
        }
    }
}

int TWSocket::Receive(char* buffer, int length) {
    if (sock_ == nullptr || state_ != wsConnected) {
        lastError_ = WsaError::NotConnected;
        return -1;
    }
    if (length <= 0) {
        return 0;
    }
    const qint64 n = sock_->read(buffer, length);
    if (n > 0) {
        readCount_ += n;
        return static_cast<int>(n);
    }
    if (sock_->state() == QAbstractSocket::UnconnectedState) {
        return 0; // the peer has closed and everything has been taken
    }
    lastError_ = WsaError::WouldBlock;
    return -1;
}

qint64 TWSocket::BytesAvailable() const {
    return sock_ != nullptr ? sock_->bytesAvailable() : 0;
}

// ---- Sending

int TWSocket::SendText(const QString& text) {
    return Send(text.toUtf8());
}

int TWSocket::Send(QByteArrayView bytes) {
    if (sock_ == nullptr || state_ != wsConnected) {
        RaiseSocketError(WsaError::NotConnected, QStringLiteral("Send"));
    }
    if (handshaking_) {
        // Qt would keep the bytes until the handshake ends, but a failed one must leave
        // nothing behind that was meant for the encrypted session.
        throw ESocketException(QStringLiteral("Send: TLS negotiation in progress"),
                               WsaError::InProgress);
    }
    sendBuffer_.Append(bytes);
    dataSentDue_ = true;
    insideSend_ = true;
    TryToSend();
    insideSend_ = false;
    if (AllSent()) {
        PostWritable();
    }
    return static_cast<int>(bytes.size());
}

void TWSocket::TryToSend() {
    while (sock_ != nullptr && !sendBuffer_.IsEmpty() && sock_->bytesToWrite() < MaxInFlight) {
        const QByteArrayView chunk = sendBuffer_.Front();
        const qint64 taken = sock_->write(chunk.data(), chunk.size());
        if (taken <= 0) {
            // Qt no longer takes data: the connection is gone and its end is on the way.
            return;
        }
        sendBuffer_.Consume(static_cast<int>(taken));
    }
    // Qt keeps written bytes until its event loop next runs; a command should leave at once,
    // as a system send would, not one loop turn later. Larger sends still go out block by
    // block as Qt reports bytes written.
    if (sock_ != nullptr && sendBuffer_.IsEmpty() && sock_->bytesToWrite() > 0) {
        sock_->flush();
    }
}

bool TWSocket::AllSent() const {
    return BufferedBytes() == 0;
}

void TWSocket::PostWritable() {
    if (writablePosted_) {
        return;
    }
    writablePosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, connection = connection_] {
            writablePosted_ = false;
            if (connection == connection_) {
                WritableNotification();
            }
        },
        Qt::QueuedConnection);
}

void TWSocket::WritableNotification() {
    if (sock_ == nullptr || state_ != wsConnected) {
        return;
    }
    if (insideSend_) {
        // OnDataSent never runs inside the Send that queued the data.
        PostWritable();
        return;
    }
    TryToSend();
    if (dataSentDue_ && AllSent()) {
        dataSentDue_ = false;
        emit OnDataSent(this, WsaError::NoError);
    }
}

// ---- Closing

void TWSocket::QtDisconnected() {
    if (sock_ != nullptr && handshaking_ && (tcpUp_ || state_ == wsConnected)) {
        FailTls(QStringLiteral("TLS: the server closed the connection during the handshake"));
        return;
    }
    if (sock_ == nullptr || state_ != wsConnected) {
        return;
    }
    EndAfterPendingData(false);
}

// The peer's TLS close notice with its TCP side still open: some servers wait for ours before
// they close, so waiting for their close would only run into the caller's time-out.
void TWSocket::PeerEndedTls() {
    EndAfterPendingData(true);
}

// What arrived before the end is still handed over first; the session may close or reopen
// the socket meanwhile, and then this end is no longer ours to report.
void TWSocket::EndAfterPendingData(bool sendCloseNotice) {
    const quint64 connection = connection_;
    QPointer<TWSocket> alive(this);
    ReceiveCycle();
    if (!alive || connection != connection_ || state_ == wsClosed) {
        return;
    }
    const quint16 error = lostError_;
    if (error != WsaError::NoError) {
        lastError_ = error;
    }
    ReleaseSocket(sendCloseNotice);
    EndConnection(error);
}

void TWSocket::Close() {
    if (sock_ == nullptr || state_ == wsClosed) {
        return;
    }
    ReleaseSocket(true);
    EndConnection(WsaError::NoError);
}

void TWSocket::Abort() {
    CancelLookup();
    sendBuffer_.Clear();
    if (sock_ == nullptr || state_ == wsClosed) {
        return;
    }
    if (state_ == wsConnected && Handle() != -1) {
        // Linger off: the system finishes the close quietly instead of resetting the peer.
        const linger off{0, 0};
        ::setsockopt(static_cast<int>(Handle()), SOL_SOCKET, SO_LINGER, &off, sizeof off);
    }
    ReleaseSocket(false);
    EndConnection(WsaError::NoError);
}

void TWSocket::ReleaseSocket(bool shutdownFirst) {
    QSslSocket* socket = std::exchange(sock_, nullptr);
    socket->disconnect(this);
    if (shutdownFirst && socket->isEncrypted() &&
        socket->state() == QAbstractSocket::ConnectedState) {
        // Our close notice goes first (RFC 8446 6.1); Qt sends it and closes once it is out,
        // so the socket lives on quietly until then, for a few seconds at most.
        socket->disconnectFromHost();
        if (socket->state() == QAbstractSocket::UnconnectedState) {
            socket->deleteLater();
            return;
        }
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(CloseNoticeMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        return;
    }
    if (socket->state() != QAbstractSocket::UnconnectedState) {
        if (shutdownFirst && socket->state() == QAbstractSocket::ConnectedState) {
            // What Qt still holds was handed over by a send; let it reach the system first.
            socket->flush();
            ::shutdown(static_cast<int>(socket->socketDescriptor()), SHUT_WR);
        }
        socket->abort();
    }
    socket->deleteLater();
}

void TWSocket::EndConnection(quint16 error) {
    const quint64 connection = connection_;
    state_ = wsClosed;
    handshaking_ = false;
    tcpUp_ = false;
    sendBuffer_.Clear();
    dataSentDue_ = false;
    if (!closedFired_ && !destroying_) {
        closedFired_ = true;
        QPointer<TWSocket> alive(this);
        emit OnSessionClosed(this, error);
        if (!alive) {
            return;
        }
    }
    closedFired_ = true;
    // A handler that already opened the next connection keeps its new settings.
    if (connection == connection_ && state_ == wsClosed) {
        ResetSettings();
    }
}

QString TWSocket::LocalAddress() const {
    if (sock_ == nullptr || state_ != wsConnected) {
        return {};
    }
    return sock_->localAddress().toString();
}

QString TWSocket::LocalHostName() {
    const QString name = QHostInfo::localHostName();
    if (name.isEmpty() || name.toUtf8().size() > 63) {
        throw ESocketException(QStringLiteral("Winsock.GetHostName failed"));
    }
    return name;
}

} // namespace sievra
