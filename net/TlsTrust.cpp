#include "TlsTrust.h"

#include <QMutex>
#include <QStringList>

namespace sievra {

namespace {

QMutex& TrustMutex() {
    static QMutex mutex;
    return mutex;
}

QList<QSslCertificate>& Additional() {
    static QList<QSslCertificate> certificates;
    return certificates;
}

// One reason per kind of failure; several raw errors (an untrusted chain reports itself in
// more than one way) read as one.
QString ReasonOf(const QSslError& error, const QString& peerName) {
    switch (error.error()) {
    case QSslError::HostNameMismatch:
        return QStringLiteral("the certificate's host name does not match ") + peerName;
    case QSslError::CertificateExpired:
        return QStringLiteral("the certificate has expired");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("the certificate is not valid yet");
    case QSslError::CertificateRevoked:
        return QStringLiteral("the certificate has been revoked");
    case QSslError::NoPeerCertificate:
        return QStringLiteral("the server sent no certificate");
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
    case QSslError::CertificateRejected:
        return QStringLiteral("the certificate is not trusted");
    default:
        return error.errorString();
    }
}

} // namespace

void SetAdditionalCaCertificates(const QList<QSslCertificate>& certificates) {
    const QMutexLocker lock(&TrustMutex());
    Additional() = certificates;
}

QList<QSslCertificate> AdditionalCaCertificates() {
    const QMutexLocker lock(&TrustMutex());
    return Additional();
}

QSslConfiguration ClientTlsConfiguration() {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    const QList<QSslCertificate> additional = AdditionalCaCertificates();
    if (!additional.isEmpty()) {
        // An explicit list ends Qt's loading of system roots on demand, so the system's
        // store goes in first.
        config.setCaCertificates(QSslConfiguration::systemCaCertificates() + additional);
    }
    return config;
}

QString CertificateFailureText(const QList<QSslError>& errors, const QString& peerName) {
    QStringList reasons;
    for (const QSslError& error : errors) {
        const QString reason = ReasonOf(error, peerName);
        if (!reasons.contains(reason)) {
            reasons.append(reason);
        }
    }
    if (reasons.isEmpty()) {
        reasons.append(QStringLiteral("the certificate was refused"));
    }
    return QStringLiteral("TLS: ") + reasons.join(QStringLiteral("; "));
}

} // namespace sievra
