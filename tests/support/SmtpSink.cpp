#include "SmtpSink.h"

#include "Loopback.h"
#include "ServerProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sievra::test {

SmtpSink::SmtpSink(const SmtpSinkOptions& options) {
    port_ = FreeLoopbackPort();
    QStringList args = {QStringLiteral(SIEVRA_TEST_SUPPORT_DIR) + "/smtp_sink.py", "--port",
                        QString::number(port_), "--out", dir_.path()};
    if (!options.AuthUser.isEmpty()) {
        args << "--auth" << options.AuthUser + ":" + options.AuthPassword;
        if (options.AuthRequiresTls) {
            args << "--auth-require-tls";
        }
    }
    for (const auto& [address, reply] : options.Rejects) {
        args << "--reject" << address + "=" + reply;
    }
    if (options.Enhanced) {
        args << "--enhanced";
    }
    if (options.Pipelining) {
        args << "--pipelining";
    }
    for (const QString& extension : options.Without) {
        args << "--without" << extension;
    }
    if (!options.TlsCert.isEmpty()) {
        args << "--tls-cert" << options.TlsCert << "--tls-key" << options.TlsKey;
        if (options.ImplicitTls) {
            args << "--implicit-tls";
        }
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Debian's interpreter has aiosmtpd; another python3 earlier on PATH may not.
    EndWithTestProgram(process_);
    process_.start("/usr/bin/python3", args);
    if (!process_.waitForStarted(10000)) {
        qFatal("cannot start the SMTP test server");
    }
    const bool ready = WaitFor(
        [&] { return process_.canReadLine() || process_.state() == QProcess::NotRunning; }, 20000);
    if (!ready || !process_.readLine().startsWith("READY")) {
        qFatal("the SMTP test server did not start (is python3-aiosmtpd installed?)");
    }
}

SmtpSink::~SmtpSink() {
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QList<ReceivedMail> SmtpSink::Messages() const {
    QList<ReceivedMail> mails;
    const QStringList names = QDir(dir_.path()).entryList({"*.json"}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile file(dir_.path() + "/" + name);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
        ReceivedMail mail;
        mail.MailFrom = o["mail_from"].toString();
        for (const auto& r : o["rcpt_tos"].toArray()) {
            mail.RcptTos.append(r.toString());
        }
        mail.Data = QByteArray::fromBase64(o["data"].toString().toLatin1());
        mail.AuthLogin = o["auth"].toString();
        mails.append(mail);
    }
    return mails;
}

bool SmtpSink::WaitForMessages(int count, int milliseconds) const {
    return WaitFor([&] { return Messages().size() >= count; }, milliseconds);
}

} // namespace sievra::test
