#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace sievra::test {

// One TLS session with a scripted server (tls_logout.py) that answers QUIT, sends its TLS
// close notice and then waits for the client instead of closing: the logout of some real
// POP3 and SMTP servers. Speaks "pop3" (USER, PASS, QUIT) or "smtp" (EHLO, QUIT), with the
// test authority's certificate for "localhost".
class TlsLogoutServer {
public:
    explicit TlsLogoutServer(const QString& proto);
    ~TlsLogoutServer();
    TlsLogoutServer(const TlsLogoutServer&) = delete;
    TlsLogoutServer& operator=(const TlsLogoutServer&) = delete;

    quint16 Port() const { return port_; }
    // How the session ended for the server: "CLOSE_NOTIFY", "EOF" or "TIMEOUT"; empty when it
    // has not ended within a few seconds.
    QByteArray Outcome();

private:
    QProcess process_;
    quint16 port_ = 0;
};

} // namespace sievra::test
