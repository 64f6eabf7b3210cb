#pragma once

#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace sievra::test {

// A certificate authority made with the openssl program for one test program, and the server
// certificates it signs. Nothing trusts it until the test says so (SetAdditionalCaCertificates
// with Authority()).
class TestCertificates {
public:
    struct Files {
        QString Cert; // PEM paths
        QString Key;
    };

    TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    QList<QSslCertificate> Authority() const;
    // A server certificate signed by the authority, naming `altNames` ("DNS:localhost",
    // "IP:127.0.0.1"). An expired one stopped being valid a day ago.
    Files Issue(const QString& fileName, const QStringList& altNames, bool expired = false);
    // A certificate for `altNames` that only vouches for itself.
    Files SelfSigned(const QString& fileName, const QStringList& altNames);

private:
    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    int serial_ = 1;
};

} // namespace sievra::test
