#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

namespace sievra {

// Certificates trusted as authorities in addition to the system's, for every TLS connection
// that starts after the call; the list replaces the one given before, and an empty list leaves
// the system's store alone. The programs never call it: it is how tests trust the authority
// they made for their own servers.
void SetAdditionalCaCertificates(const QList<QSslCertificate>& certificates);
QList<QSslCertificate> AdditionalCaCertificates();

// The TLS settings of every client connection: the trusted authorities (below, plus the
// additional ones) and a verified peer. The host name is checked by the socket.
QSslConfiguration ClientTlsConfiguration();

// The trusted authorities, read the way OpenSSL and curl read their environment: the
// certificates of the folders in SSL_CERT_DIR (separated by ':') instead of the system's,
// and those of the file SSL_CERT_FILE in addition. Without either, the system's store.
QList<QSslCertificate> TrustedAuthorities();

// A certificate's SHA-256 fingerprint as users compare it: "AB:CD:...:EF"; "" for none.
QString CertificateFingerprint(const QSslCertificate& certificate);
// A fingerprint as typed (hex digits, with or without ':' or blanks, any case) in the form
// above, or "" when it is not 32 bytes of hex.
QString NormalFingerprint(const QString& typed);

// Why a server's certificate was refused, as users read it: "TLS: the certificate has
// expired", "TLS: the certificate is not trusted; the certificate's host name does not match
// 127.0.0.1". `peerName` is the name the certificate had to carry.
QString CertificateFailureText(const QList<QSslError>& errors, const QString& peerName);

} // namespace sievra
