#include "TlsLogoutServer.h"

#include "ServerProcess.h"
#include "TlsPeers.h"
#include "WaitFor.h"

namespace sievra::test {

TlsLogoutServer::TlsLogoutServer(const QString& proto) {
    port_ = FreeLoopbackPort();
    const TestCertificates::Files files = TlsPeers().Localhost();
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    EndWithTestProgram(process_);
    process_.start("/usr/bin/python3", {QStringLiteral(SIEVRA_TEST_SUPPORT_DIR) + "/tls_logout.py",
                                        "--port", QString::number(port_), "--cert", files.Cert,
                                        "--key", files.Key, "--proto", proto});
    const bool ready = WaitFor(
        [&] { return process_.canReadLine() || process_.state() == QProcess::NotRunning; }, 20000);
    if (!ready || !process_.readLine().startsWith("READY")) {
        qFatal("the TLS logout test server did not start");
    }
}

TlsLogoutServer::~TlsLogoutServer() {
    process_.kill();
    process_.waitForFinished(5000);
}

QByteArray TlsLogoutServer::Outcome() {
    WaitFor([&] { return process_.canReadLine(); }, 5000);
    return process_.readLine().trimmed();
}

} // namespace sievra::test
