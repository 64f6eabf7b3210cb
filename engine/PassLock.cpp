#include "PassLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sievra {

namespace {

QString AbsoluteEnvironmentPath(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? value : QString();
}

QString SystemError() {
    return QString::fromLocal8Bit(strerror(errno));
}

// The folder is Sievra's own, so only its user may enter it.
bool MakeFolder(const QString& folder) {
    if (QFileInfo(folder).isDir()) {
        return true;
    }
    QDir().mkpath(QFileInfo(folder).path());
    return ::mkdir(QFile::encodeName(folder).constData(), 0700) == 0 || errno == EEXIST;
}

} // namespace

QString PassLock::Directory() {
    const QString runtime = AbsoluteEnvironmentPath("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) {
        return runtime + QStringLiteral("/sievra");
    }
    QString data = AbsoluteEnvironmentPath("XDG_DATA_HOME");
    if (data.isEmpty()) {
        data = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return data + QStringLiteral("/sievra");
}

QString PassLock::PathFor(const Account& account) {
    const QString mailbox = account.Pop3Server.trimmed().toLower() + QLatin1Char(':') +
                            account.Pop3Port.trimmed() + QLatin1Char('/') + account.Pop3User;
    const QByteArray digest =
        QCryptographicHash::hash(mailbox.toUtf8(), QCryptographicHash::Sha256).toHex().left(20);
    return Directory() + QStringLiteral("/pass-") + QString::fromLatin1(digest) +
           QStringLiteral(".lock");
}

PassLock::PassLock(const Account& account) {
    const QString path = PathFor(account);
    if (!MakeFolder(Directory())) {
        error_ = QStringLiteral("Cannot create %1: %2").arg(Directory(), SystemError());
        return;
    }
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                 0600);
    if (fd_ < 0) {
        error_ = QStringLiteral("Cannot lock %1: %2").arg(path, SystemError());
        return;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        held_ = true;
    } else if (errno != EWOULDBLOCK) {
        error_ = QStringLiteral("Cannot lock %1: %2").arg(path, SystemError());
    }
}

PassLock::~PassLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

} // namespace sievra
