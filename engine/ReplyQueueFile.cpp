#include "ReplyQueueFile.h"

#include "settings/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace sievra {

namespace {

// An exclusive flock on a lock file beside the queue. The lock file itself is never replaced,
// so every process locks the same inode; the kernel drops the lock if the holder dies. A link
// in its place is refused: following it would create or lock a file elsewhere.
class FileLock {
public:
    explicit FileLock(const QString& path) {
        fd_ = OpenPrivateNoFollow(path, O_RDWR | O_CREAT);
        if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) {
            const QString reason = FileErrorText(errno);
            if (fd_ >= 0) {
                ::close(fd_);
            }
            throw QueueFileError(
                QStringLiteral("Cannot lock %1: %2").arg(QDir::toNativeSeparators(path), reason));
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

// Never through a link: a queue linked to another file would have that file rewritten.
IniDocument ReplyQueueFile::Read() const {
    const int fd = OpenPrivateNoFollow(path_, O_RDONLY);
    if (fd < 0) {
        if (errno == ENOENT) {
            return {};
        }
        throw QueueFileError(QStringLiteral("Cannot read %1: %2")
                                 .arg(QDir::toNativeSeparators(path_), FileErrorText(errno)));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw QueueFileError(QStringLiteral("Cannot read %1: %2")
                                 .arg(QDir::toNativeSeparators(path_), file.errorString()));
    }
    return IniDocument::Parse(QString::fromUtf8(file.readAll()));
}

void ReplyQueueFile::Update(const std::function<void(IniDocument&)>& change) {
    const QString dir = QFileInfo(path_).absolutePath();
    const QString folderError = MakePrivateFolder(dir, path_ == DefaultPath());
    if (!folderError.isEmpty()) {
        throw QueueFileError(folderError);
    }
    FileLock lock(path_ + QStringLiteral(".lock"));
    IniDocument doc = Read();
    change(doc);
    Write(doc);
}

void ReplyQueueFile::Write(const IniDocument& doc) {
    const QString error = WritePrivateFile(path_, doc.ToText().toUtf8());
    if (!error.isEmpty()) {
        throw QueueFileError(
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path_), error));
    }
}

} // namespace sievra
