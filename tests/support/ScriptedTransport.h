#pragma once

#include "net/Transport.h"

#include <QByteArray>
#include <QString>

namespace sievra::test {

// A transport without a network, for client tests and fuzzing: the test plays the server and
// the network by hand, one event at a time, and reads what the client sent.
//
//   auto owned = std::make_unique<ScriptedTransport>();
//   ScriptedTransport& net = *owned;
//   TPop3Cli client(std::move(owned));
//   client.SetHost("mail.example"); client.Connect(); // the lookup succeeds at once
//   net.Accept();                                     // the TCP connect succeeds
//   net.Deliver("+OK ready\r\n");                     // the server's bytes
//   EXPECT_EQ(net.TakeSent(), "USER ...\r\n");
//
// Events come the moment the test calls for them, never later from the event loop: the
// client's own posting of its completions is what stays to be tested.
class ScriptedTransport : public Transport {
public:
    // ---- The script
    // Every lookup succeeds at once with this address unless a lookup error is set.
    void FailLookups(quint16 error) { lookupError_ = error; }
    // Ends the pending connect: connected, or the error (then the close, as a socket does).
    void Accept(quint16 error = 0);
    // Server bytes; the client is told while it takes them and any remain.
    void Deliver(QByteArrayView bytes);
    // Everything sent so far has gone out.
    void Drain();
    // Ends the pending StartTls handshake: encrypted, or failed with `reason` and closed.
    void FinishTls(bool ok = true, const QString& reason = {});
    // The peer closes (or the connection breaks, with an error).
    void PeerCloses(quint16 error = 0);

    // ---- What the client did
    const QByteArray& Sent() const { return sent_; }
    QByteArray TakeSent();
    const TransportEndpoint& Endpoint() const { return endpoint_; }
    bool Corked() const { return corked_; }
    int Closes() const { return closes_; }

    // ---- Transport
    void SetEvents(TransportEvents* events) override { events_ = events; }
    void LookupHost(const QString& host) override;
    const QString& DnsResult() const override { return dnsResult_; }
    void ConnectTo(const TransportEndpoint& endpoint) override;
    TSocketState State() const override { return state_; }
    int Receive(char* buffer, int length) override;
    qint64 BytesAvailable() const override { return inbound_.size(); }
    int Send(QByteArrayView bytes) override;
    void SetCork(bool on) override { corked_ = on; }
    void StartTls() override;
    bool IsEncrypted() const override { return encrypted_; }
    const QString& TlsError() const override { return tlsError_; }
    const QSslCertificate& TlsRefusedCertificate() const override { return refused_; }
    QString LocalAddress() const override;
    void Close() override;
    void Abort() override { Close(); }

private:
    void End(quint16 error);

    TransportEvents* events_ = nullptr;
    quint16 lookupError_ = 0;
    QString dnsResult_;
    TransportEndpoint endpoint_;
    TSocketState state_ = wsClosed;
    QByteArray inbound_;
    QByteArray sent_;
    bool corked_ = false;
    bool handshaking_ = false;
    bool encrypted_ = false;
    QString tlsError_;
    QSslCertificate refused_;
    int closes_ = 0;
};

} // namespace sievra::test
