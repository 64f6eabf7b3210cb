#include "PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sievra {

namespace {

constexpr mode_t FileMode = 0600;
constexpr mode_t FolderMode = 0700;

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

} // namespace

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC; // a write that takes nothing is a full disk
            }
            return false;
        }
        done += n;
    }
    return true;
}

bool SyncFolder(const QString& folder) {
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

QString FileErrorText(int error) {
    if (error == ELOOP) {
        return QStringLiteral("is a symbolic link, which Sievra does not follow");
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

QString MakePrivateFolder(const QString& folder, bool tighten) {
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QString prefix;
    for (const QString& part : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        prefix += QLatin1Char('/') + part;
        if (::mkdir(Native(prefix).constData(), FolderMode) == 0) {
            ::chmod(Native(prefix).constData(), FolderMode); // the umask may have taken bits
        } else if (errno != EEXIST) {
            return QStringLiteral("Cannot create the folder %1: %2")
                .arg(QDir::toNativeSeparators(prefix), FileErrorText(errno));
        }
    }
    if (!QFileInfo(clean).isDir()) {
        return QStringLiteral("Cannot create the folder %1: %2")
            .arg(QDir::toNativeSeparators(clean), FileErrorText(ENOTDIR));
    }
    if (tighten) {
        ::chmod(Native(clean).constData(), FolderMode);
    }
    return {};
}

void TightenFile(const QString& path) {
    struct stat st {};
    if (::stat(Native(path).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
        st.st_uid == ::geteuid() && (st.st_mode & 0777) != FileMode) {
        ::chmod(Native(path).constData(), FileMode);
    }
}

int OpenPrivateNoFollow(const QString& path, int flags) {
    const int fd = ::open(Native(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC, FileMode);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
        (st.st_mode & 0777) != FileMode) {
        ::fchmod(fd, FileMode);
    }
    return fd;
}

QString WritePrivateFile(const QString& path, const QByteArray& bytes) {
    QByteArray temp = Native(path) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC); // O_EXCL: never an existing name
    if (fd < 0) {
        return FileErrorText(errno);
    }
    const bool ok = ::fchmod(fd, FileMode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !ok) {
        const int error = ok ? errno : writeError;
        ::unlink(temp.constData());
        return FileErrorText(error);
    }
    // rename replaces a link at `path` itself; whatever it pointed to stays untouched.
    if (::rename(temp.constData(), Native(path).constData()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return FileErrorText(error);
    }
    SyncFolder(QFileInfo(path).absolutePath());
    return {};
}

} // namespace sievra
