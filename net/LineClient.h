#pragma once

#include "net/LineConnection.h"
#include "net/Transport.h"

#include <QSslCertificate>
#include <QString>
#include <memory>

namespace sievra {

// The part of both mail clients that is about their server and connection rather than their
// protocol: where to connect, the certificate pin, the connection's read-outs, and the call
// that delivers completions already due. A client derives from it next to QObject and
// implements the connection's events.
class LineClient : protected LineConnectionEvents {
public:
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    const QString& Host() const { return host_; }
    void SetHost(const QString& host) { host_ = host; }
    // A port number or service name.
    const QString& Port() const { return port_; }
    void SetPort(const QString& port) { port_ = port; }
    // A certificate fingerprint the user trusted for this server (see TWSocket), or empty.
    const QString& PinnedCertificate() const { return pinnedCertificate_; }
    void SetPinnedCertificate(const QString& fingerprint) { pinnedCertificate_ = fingerprint; }

    // The certificate the last failed TLS negotiation refused, or a null one.
    const QSslCertificate& RefusedCertificate() const { return connection_.RefusedCertificate(); }
    // The connection is up: from the accepted connect until the session closes.
    bool Connected() const { return connection_.Connected(); }
    // The connection is encrypted.
    bool Encrypted() const { return connection_.Encrypted(); }
    // Why the last connect failed its TLS negotiation ("TLS: ..."); emptied by Connect.
    const QString& TlsError() const { return connection_.TlsError(); }

    // Delivers at once an OnRequestDone already due but not yet run by the event loop, so a
    // caller that gave up waiting for a request can clear it before starting the next one.
    void FlushCompletions() { connection_.FlushPosted(); }

protected:
    // `defaultPort` names the protocol's service; `replyPrefix` starts its failure texts.
    LineClient(std::unique_ptr<Transport> transport, QString defaultPort, QString replyPrefix)
        : port_(std::move(defaultPort))
        , connection_(*this, std::move(transport), std::move(replyPrefix)) {}
    ~LineClient() = default;

    // Opens the connection to Host:Port with `security` and the pinned certificate.
    void OpenConnection(ConnectionSecurity security, bool noDelay = false) {
        connection_.Open(host_, port_, security, pinnedCertificate_, noDelay);
    }

    QString host_;
    QString port_;
    QString pinnedCertificate_;
    LineConnection connection_;
};

} // namespace sievra
