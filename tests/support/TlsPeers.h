#pragma once

#include "TestCertificates.h"

namespace sievra::test {

// The certificates of this test program, made once: an authority and the server certificates
// it signs.
class TlsPeerCertificates {
public:
    QList<QSslCertificate> Authority() const { return pki_.Authority(); }
    // For "localhost" only (not for 127.0.0.1).
    const TestCertificates::Files& Localhost() const { return localhost_; }
    // For "localhost", expired since yesterday.
    const TestCertificates::Files& Expired() const { return expired_; }

private:
    friend TlsPeerCertificates& TlsPeers();
    TlsPeerCertificates()
        : localhost_(pki_.Issue("localhost", {"DNS:localhost"}))
        , expired_(pki_.Issue("expired", {"DNS:localhost"}, true)) {}

    TestCertificates pki_;
    TestCertificates::Files localhost_;
    TestCertificates::Files expired_;
};

inline TlsPeerCertificates& TlsPeers() {
    static TlsPeerCertificates peers;
    return peers;
}

} // namespace sievra::test
