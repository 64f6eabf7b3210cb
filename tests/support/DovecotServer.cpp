#include "DovecotServer.h"

#include "Loopback.h"
#include "ServerProcess.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace sievra::test {

namespace {

const char* const MailUser = "sievra-mail";

void Check(bool ok, const QString& what) {
    if (!ok) {
        qFatal("dovecot test server: %s", qPrintable(what));
    }
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
              file.write(bytes) == bytes.size(),
          "cannot write " + path);
}

void ChownToMailUser(const QString& path) {
    const passwd* user = getpwnam(MailUser);
    Check(user != nullptr, QStringLiteral("the system user %1 is missing (scripts/install-deps.sh "
                                          "creates it)")
                               .arg(MailUser));
    Check(chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) == 0,
          "cannot chown " + path);
}

void RunOrDie(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    Check(p.waitForFinished(60000) && p.exitCode() == 0,
          program + " failed: " + QString::fromLocal8Bit(p.readAllStandardError()));
}

} // namespace

DovecotServer::DovecotServer(const QString& certPem, const QString& keyPem) {
    Check(geteuid() == 0, "the POP3 test server needs root (dovecot's login processes)");
    Check(dir_.isValid(), "no temporary folder");
    // dovecot's auth process runs as another user and must read the users file.
    QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                           QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                           QFileDevice::ExeOther);
    const QString dir = dir_.path();
    if (certPem.isEmpty()) {
        RunOrDie("openssl",
                 {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost",
                  "-days", "2", "-keyout", dir + "/key.pem", "-out", dir + "/cert.pem"});
    } else {
        Check(QFile::copy(certPem, dir + "/cert.pem") && QFile::copy(keyPem, dir + "/key.pem"),
              "cannot copy the certificate");
    }
    QDir().mkpath(dir + "/mail");
    QDir().mkpath(dir + "/users.d");
    Start();
}

DovecotServer::~DovecotServer() {
    if (process_.state() != QProcess::NotRunning) {
        kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

void DovecotServer::Start() {
    port_ = FreeLoopbackPort();
    do {
        tlsPort_ = FreeLoopbackPort();
    } while (tlsPort_ == port_);
    QFile templ(QStringLiteral(SIEVRA_TEST_SUPPORT_DIR) + "/dovecot.conf.in");
    Check(templ.open(QIODevice::ReadOnly), "dovecot.conf.in missing");
    QString conf = QString::fromUtf8(templ.readAll());
    conf.replace("@DIR@", dir_.path());
    conf.replace("@PORT@", QString::number(port_));
    conf.replace("@TLSPORT@", QString::number(tlsPort_));
    conf.replace("@MAILUSER@", MailUser);
    const QString confPath = dir_.path() + "/dovecot.conf";
    WriteFile(confPath, conf.toUtf8());
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    EndWithTestProgram(process_);
    process_.start("dovecot", {"-F", "-c", confPath});
    Check(process_.waitForStarted(10000), "dovecot did not start");
    Check(WaitForListener(port_, 15000) && WaitForListener(tlsPort_, 15000),
          "dovecot is not listening: " + Log());
}

void DovecotServer::WriteUser(const QString& user, const QString& password) {
    const QString dir = dir_.path() + "/users.d";
    QDir().mkpath(dir);
    // Replace atomically: the auth process may read the file at any moment.
    const QString path = dir + "/" + user;
    WriteFile(path + ".new", user.toUtf8() + ":{PLAIN}" + password.toUtf8() + "\n");
    QFile::remove(path);
    Check(QFile::rename(path + ".new", path), "cannot write the users file of " + user);
}

void DovecotServer::AddUser(const QString& user, const QString& password) {
    WriteUser(user, password);
    for (const char* sub : {"", "/new", "/cur", "/tmp"}) {
        const QString path = MailDir(user) + sub;
        QDir().mkpath(path);
        ChownToMailUser(path);
    }
    ChownToMailUser(dir_.path() + "/mail");
}

QString DovecotServer::MailDir(const QString& user) const {
    return dir_.path() + "/mail/" + user;
}

void DovecotServer::AddMessages(const QString& user, const QList<QByteArray>& messages) {
    // dovecot numbers messages in file-name order; zero-padded sequence numbers keep it ours.
    for (const QByteArray& message : messages) {
        QByteArray text = message;
        text.replace("\r\n", "\n");
        const QString name = QStringLiteral("%1.M%2P%3.sievra-test,S=%4")
                                 .arg(1000000000 + sequence_)
                                 .arg(sequence_, 8, 10, QLatin1Char('0'))
                                 .arg(getpid())
                                 .arg(text.size());
        ++sequence_;
        const QString tmp = MailDir(user) + "/tmp/" + name;
        WriteFile(tmp, text);
        ChownToMailUser(tmp);
        Check(QFile::rename(tmp, MailDir(user) + "/new/" + name), "cannot deliver " + name);
    }
}

QStringList DovecotServer::MessageFiles(const QString& user) const {
    QStringList files;
    for (const char* sub : {"/new", "/cur"}) {
        QDirIterator it(MailDir(user) + sub, QDir::Files);
        while (it.hasNext()) {
            files.append(it.next());
        }
    }
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return QFileInfo(a).fileName() < QFileInfo(b).fileName();
    });
    return files;
}

void DovecotServer::ClearMailbox(const QString& user) {
    for (const QString& file : MessageFiles(user)) {
        QFile::remove(file);
    }
}

// A session still running moves messages from new/ to cur/ and renames them as their flags
// change, so one reading can miss a message; the mailbox is read until two readings agree.
QList<QByteArray> DovecotServer::Messages(const QString& user) const {
    std::optional<QList<QByteArray>> previous;
    for (int reading = 0; reading < 100; ++reading) {
        QList<QByteArray> messages;
        bool whole = true;
        for (const QString& path : MessageFiles(user)) {
            QFile file(path);
            whole = whole && file.open(QIODevice::ReadOnly);
            messages.append(file.readAll());
        }
        if (whole && previous == messages) {
            return messages;
        }
        previous = whole ? std::optional(messages) : std::nullopt;
        if (reading > 0) {
            QThread::msleep(10);
        }
    }
    return previous.value_or(QList<QByteArray>{});
}

QString DovecotServer::Log() const {
    QFile file(dir_.path() + "/dovecot.log");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace sievra::test
