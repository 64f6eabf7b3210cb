#pragma once

#include <QByteArrayView>
#include <QSslCertificate>
#include <QString>

namespace sievra {

// Socket states, in this order (only some are reached by a client socket).
enum TSocketState {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed
};

// Where and how a connection goes, fixed when it starts.
struct TransportEndpoint {
    QString Addr; // the address the lookup gave
    QString Port;
    QString TlsPeerName;          // the host the user gave
    QString TlsPinnedFingerprint; // see TWSocket
    bool TlsFromConnect = false;
    bool NoDelay = false; // TCP_NODELAY: small writes leave at once
};

// What a connection reports to the protocol client above it, in the order TWSocket documents
// for its signals of the same names.
class TransportEvents {
public:
    virtual void TransportLookupDone(quint16 error) = 0;
    virtual void TransportConnected(quint16 error) = 0;
    virtual void TransportDataAvailable() = 0;
    virtual void TransportDataSent() = 0;
    virtual void TransportClosed(quint16 error) = 0;
    virtual void TransportTlsDone(quint16 error) = 0;

protected:
    ~TransportEvents() = default;
};

// The byte stream under a mail client: send these bytes, bytes arrived, closed, TLS started.
// TWSocket is the product's; tests and fuzzers script their own. Every method behaves as the
// TWSocket one of the same name.
class Transport {
public:
    virtual ~Transport() = default;

    // Where the events go; nullptr stops them (the client is going away).
    virtual void SetEvents(TransportEvents* events) = 0;

    virtual void LookupHost(const QString& host) = 0;
    virtual const QString& DnsResult() const = 0;
    // Raises for an endpoint it cannot use; a raising ConnectTo fires nothing.
    virtual void ConnectTo(const TransportEndpoint& endpoint) = 0;
    virtual TSocketState State() const = 0;

    virtual int Receive(char* buffer, int length) = 0;
    virtual qint64 BytesAvailable() const = 0;
    virtual int Send(QByteArrayView bytes) = 0;
    // TCP_CORK: while on, small writes are held back to fill whole segments.
    virtual void SetCork(bool on) = 0;

    virtual void StartTls() = 0;
    virtual bool IsEncrypted() const = 0;
    virtual const QString& TlsError() const = 0;
    virtual const QSslCertificate& TlsRefusedCertificate() const = 0;
    virtual QString LocalAddress() const = 0;

    virtual void Close() = 0;
    virtual void Abort() = 0;
};

} // namespace sievra
