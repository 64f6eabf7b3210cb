#include "TlsTrust.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <optional>

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

QList<QSslCertificate> TrustedAuthorities() {
    const QString dirs = qEnvironmentVariable("SSL_CERT_DIR");
    const QString file = qEnvironmentVariable("SSL_CERT_FILE");
    // Reading a whole certificate folder costs tens of milliseconds; every connection would
    // pay it again, so the list is read once for as long as the variables stay the same.
    static QString cachedDirs;
    static QString cachedFile;
    static std::optional<QList<QSslCertificate>> cached;
    const QMutexLocker lock(&TrustMutex());
    if (cached && cachedDirs == dirs && cachedFile == file) {
        return *cached;
    }
    QList<QSslCertificate> authorities;
    if (dirs.isEmpty()) {
        authorities = QSslConfiguration::systemCaCertificates();
    }
    // A hashed store names each certificate twice (its file and a hash link) and often holds
    // the bundle SSL_CERT_FILE names as well: each file is parsed once.
    QSet<QString> read;
    const auto readFile = [&](const QFileInfo& info) {
        const QString path = info.canonicalFilePath();
        if (!path.isEmpty() && !read.contains(path)) {
            read.insert(path);
            authorities += QSslCertificate::fromPath(path, QSsl::Pem,
                                                     QSslCertificate::PatternSyntax::FixedString);
        }
    };
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        for (const QFileInfo& info : QDir(dir).entryInfoList(QDir::Files, QDir::Name)) {
            readFile(info);
        }
    }
    if (!file.isEmpty()) {
        readFile(QFileInfo(file));
    }
    cachedDirs = dirs;
    cachedFile = file;
    cached = authorities;
    return authorities;
}

QSslConfiguration ClientTlsConfiguration() {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    const QList<QSslCertificate> additional = AdditionalCaCertificates();
    const bool fromEnvironment =
        qEnvironmentVariableIsSet("SSL_CERT_DIR") || qEnvironmentVariableIsSet("SSL_CERT_FILE");
    if (!additional.isEmpty() || fromEnvironment) {
        // An explicit list ends Qt's loading of system roots on demand, so the list is whole.
        config.setCaCertificates(TrustedAuthorities() + additional);
    }
    return config;
}

QString CertificateFingerprint(const QSslCertificate& certificate) {
    if (certificate.isNull()) {
        return {};
    }
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

QString NormalFingerprint(const QString& typed) {
    QString hex = typed;
    hex.remove(QRegularExpression(QStringLiteral("[:\\s]")));
    static const QRegularExpression allHex(QStringLiteral("^[0-9A-Fa-f]{64}$"));
    if (!allHex.match(hex).hasMatch()) {
        return {};
    }
    return QString::fromLatin1(QByteArray::fromHex(hex.toLatin1()).toHex(':').toUpper());
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
