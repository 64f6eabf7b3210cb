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

// The TLS settings of every client connection: the system's trusted authorities (plus the
// additional ones) and a verified peer. The host name is checked by the socket.
QSslConfiguration ClientTlsConfiguration();

// Why a server's certificate was refused, as users read it: "TLS: the certificate has
// expired", "TLS: the certificate is not trusted; the certificate's host name does not match
// 127.0.0.1". `peerName` is the name the certificate had to carry.
QString CertificateFailureText(const QList<QSslError>& errors, const QString& peerName);

} // namespace sievra
