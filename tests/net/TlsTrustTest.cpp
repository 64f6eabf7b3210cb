// How refused certificates read, and whom the client trusts.
#include "net/TlsTrust.h"

#include "tests/support/TlsPeers.h"

#include <gtest/gtest.h>

using namespace sievra;
using sievra::test::TlsPeers;

namespace {

TEST(TlsTrust, RefusalsReadAsTheirReasonsOnce) {
    const QString peer = QStringLiteral("mail.example");
    EXPECT_EQ(CertificateFailureText({QSslError(QSslError::CertificateExpired)}, peer),
              "TLS: the certificate has expired");
    EXPECT_EQ(CertificateFailureText({QSslError(QSslError::HostNameMismatch)}, peer),
              "TLS: the certificate's host name does not match mail.example");
    // An unknown authority reports itself in more than one way; users read it once.
    EXPECT_EQ(CertificateFailureText({QSslError(QSslError::UnableToGetLocalIssuerCertificate),
                                      QSslError(QSslError::UnableToVerifyFirstCertificate),
                                      QSslError(QSslError::HostNameMismatch)},
                                     peer),
              "TLS: the certificate is not trusted; the certificate's host name does not match "
              "mail.example");
    EXPECT_EQ(CertificateFailureText({QSslError(QSslError::SelfSignedCertificate)}, peer),
              "TLS: the certificate is not trusted");
    EXPECT_EQ(CertificateFailureText({}, peer), "TLS: the certificate was refused");
}

TEST(TlsTrust, AdditionalAuthoritiesJoinTheSystemStore) {
    const QList<QSslCertificate> system = QSslConfiguration::systemCaCertificates();
    SetAdditionalCaCertificates({});
    // Without additions the configuration is Qt's own, loading system roots as needed.
    EXPECT_EQ(ClientTlsConfiguration().peerVerifyMode(), QSslSocket::VerifyPeer);
    const QList<QSslCertificate> extra = TlsPeers().Authority();
    ASSERT_EQ(extra.size(), 1);
    SetAdditionalCaCertificates(extra);
    const QList<QSslCertificate> trusted = ClientTlsConfiguration().caCertificates();
    EXPECT_TRUE(trusted.contains(extra.first()));
    EXPECT_EQ(trusted.size(), system.size() + 1);
    SetAdditionalCaCertificates({});
}

} // namespace
