#include "ReplyQueueFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace sievra {

namespace {

// An exclusive flock on a lock file beside the queue. The lock file itself is never replaced,
// so every process locks the same inode; the kernel drops the lock if the holder dies.
class FileLock {
public:
    explicit FileLock(const QString& path) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) {
            const QString reason = QString::fromLocal8Bit(strerror(errno));
            if (fd_ >= 0) {
                ::close(fd_);
            }
            throw QueueFileError(QStringLiteral("Cannot lock %1: %2").arg(path, reason));
        }
    }
    ~FileLock() {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

void SyncDirectory(const QString& dir) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QString ReplyQueueFile::DefaultPath() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return base + QStringLiteral("/sievra/DeleList.ini");
}

ReplyQueueFile::ReplyQueueFile(QString path)
    : path_(std::move(path)) {}

IniDocument ReplyQueueFile::Read() const {
    QFile file(path_);
    if (!file.exists()) {
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        throw QueueFileError(QStringLiteral("Cannot read %1: %2")
                                 .arg(QDir::toNativeSeparators(path_), file.errorString()));
    }
    return IniDocument::Parse(QString::fromUtf8(file.readAll()));
}

void ReplyQueueFile::Update(const std::function<void(IniDocument&)>& change) {
    const QString dir = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(dir)) {
        throw QueueFileError(QStringLiteral("Cannot create the folder %1").arg(dir));
    }
    FileLock lock(path_ + QStringLiteral(".lock"));
    IniDocument doc = Read();
    change(doc);
    Write(doc);
}

void ReplyQueueFile::Write(const IniDocument& doc) {
    QSaveFile file(path_);
    const QByteArray bytes = doc.ToText().toUtf8();
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                    file.flush() && ::fsync(file.handle()) == 0 && file.commit();
    if (!ok) {
        throw QueueFileError(QStringLiteral("Cannot write %1: %2")
                                 .arg(QDir::toNativeSeparators(path_), file.errorString()));
    }
    // The rename itself must reach the disk too, or a power cut could bring back the old file.
    SyncDirectory(QFileInfo(path_).absolutePath());
}

} // namespace sievra
