#include "TestCertificates.h"

#include <QFile>
#include <QProcess>

namespace sievra::test {

namespace {

void RunOpenssl(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qFatal("openssl %s failed: %s", qPrintable(args.join(' ')),
               p.readAllStandardError().constData());
    }
}

// Elliptic-curve keys: made in a moment, and every peer in the tests takes them.
QStringList NewKey(const QString& keyPath) {
    return {"-newkey", "ec",      "-pkeyopt", "ec_paramgen_curve:prime256v1",
            "-nodes",  "-keyout", keyPath};
}

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

} // namespace

TestCertificates::TestCertificates() {
    if (!dir_.isValid()) {
        qFatal("no temporary folder for the test certificates");
    }
    RunOpenssl(QStringList{"req", "-x509"} + NewKey(Path("ca.key")) +
               QStringList{"-subj", "/CN=Sievra Test Authority", "-days", "2", "-addext",
                           "basicConstraints=critical,CA:TRUE", "-addext",
                           "keyUsage=critical,keyCertSign,cRLSign", "-out", Path("ca.pem")});
}

QList<QSslCertificate> TestCertificates::Authority() const {
    return QSslCertificate::fromPath(Path("ca.pem"));
}

TestCertificates::Files TestCertificates::Issue(const QString& fileName,
                                                const QStringList& altNames, bool expired) {
    const Files files{Path(fileName + ".pem"), Path(fileName + ".key")};
    const QString request = Path(fileName + ".csr");
    const QString extensions = Path(fileName + ".ext");
    RunOpenssl(QStringList{"req", "-new"} + NewKey(files.Key) +
               QStringList{"-subj", "/CN=" + fileName, "-out", request});
    WriteText(extensions,
              "subjectAltName=" + altNames.join(',').toUtf8() + "\nextendedKeyUsage=serverAuth\n");
    // A negative number of days puts the end of validity before today.
    RunOpenssl({"x509", "-req", "-in", request, "-CA", Path("ca.pem"), "-CAkey", Path("ca.key"),
                "-set_serial", QString::number(++serial_), "-days", expired ? "-1" : "2",
                "-extfile", extensions, "-out", files.Cert});
    return files;
}

TestCertificates::Files TestCertificates::SelfSigned(const QString& fileName,
                                                     const QStringList& altNames) {
    const Files files{Path(fileName + ".pem"), Path(fileName + ".key")};
    RunOpenssl(QStringList{"req", "-x509"} + NewKey(files.Key) +
               QStringList{"-subj", "/CN=" + fileName, "-days", "2", "-addext",
                           "subjectAltName=" + altNames.join(','), "-out", files.Cert});
    return files;
}

} // namespace sievra::test
