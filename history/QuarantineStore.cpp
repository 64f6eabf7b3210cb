#include "QuarantineStore.h"

#include "HistoryDatabase.h"
#include "settings/PrivateFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sievra {

namespace {

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

QString CopyError(const QString& what, int error) {
    return QStringLiteral("Cannot keep a copy: %1: %2").arg(what, FileErrorText(error));
}

// A key names a folder: nothing that could climb out of the quarantine.
bool IsSafeKey(const QString& key) {
    return !key.isEmpty() && !key.contains(QLatin1Char('/')) && key != QLatin1String(".") &&
           key != QLatin1String("..");
}

} // namespace

QString QuarantineStore::DefaultFolder() {
    return HistoryDatabase::DefaultFolder() + QStringLiteral("/quarantine");
}

QuarantineStore::QuarantineStore(QString root)
    : root_(std::move(root)) {}

QString QuarantineStore::MailFolder(const QString& accountKey) const {
    return root_ + QLatin1Char('/') + accountKey;
}

QString QuarantineStore::Store(const QString& accountKey, const QByteArray& message) {
    if (!IsSafeKey(accountKey)) {
        throw HistoryError(
            QStringLiteral("Cannot keep a copy: unusable account key \"%1\"").arg(accountKey));
    }
    const QString folder = MailFolder(accountKey);
    for (const char* sub : {"tmp", "new", "cur"}) {
        const QString error = MakePrivateFolder(folder + QLatin1Char('/') + sub, true);
        if (!error.isEmpty()) {
            throw HistoryError(QStringLiteral("Cannot keep a copy: ") + error);
        }
    }
    const QString name = QString::fromLatin1(
        QCryptographicHash::hash(message, QCryptographicHash::Sha256).toHex().left(40) + ".sievra");
    const QString target = folder + QStringLiteral("/new/") + name;
    for (const QString& existing : {target, folder + QStringLiteral("/cur/") + name}) {
        if (QFileInfo(existing).isFile() && QFileInfo(existing).size() == message.size()) {
            return existing;
        }
    }
    const QString temp =
        folder + QStringLiteral("/tmp/") + name + QLatin1Char('.') + QString::number(::getpid());
    const int fd = OpenPrivateNoFollow(temp, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0) {
        throw HistoryError(CopyError(QDir::toNativeSeparators(temp), errno));
    }
    const bool written = WriteAll(fd, message) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        const int error = written ? errno : writeError;
        ::unlink(Native(temp).constData());
        throw HistoryError(CopyError(QDir::toNativeSeparators(temp), error));
    }
    if (::rename(Native(temp).constData(), Native(target).constData()) != 0) {
        const int error = errno;
        ::unlink(Native(temp).constData());
        throw HistoryError(CopyError(QDir::toNativeSeparators(target), error));
    }
    if (!SyncFolder(folder + QStringLiteral("/new"))) {
        throw HistoryError(CopyError(QDir::toNativeSeparators(folder + "/new"), errno));
    }
    return target;
}

int QuarantineStore::PurgeOlderThan(const QDateTime& cutoff) {
    int removed = 0;
    QDirIterator it(root_, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString box = info.dir().dirName();
        if ((box == QLatin1String("new") || box == QLatin1String("cur")) &&
            info.lastModified() < cutoff && ::unlink(Native(info.filePath()).constData()) == 0) {
            ++removed;
        }
    }
    return removed;
}

QByteArray QuarantineStore::Read(const QString& path) const {
    const QString clean = QDir::cleanPath(path);
    if (!clean.startsWith(QDir::cleanPath(root_) + QLatin1Char('/'))) {
        throw HistoryError(
            QStringLiteral("%1 is not a copy Sievra kept").arg(QDir::toNativeSeparators(path)));
    }
    const int fd = OpenPrivateNoFollow(clean, O_RDONLY);
    if (fd < 0) {
        throw HistoryError(QStringLiteral("Cannot read the copy %1: %2")
                               .arg(QDir::toNativeSeparators(clean), FileErrorText(errno)));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw HistoryError(QStringLiteral("Cannot read the copy %1").arg(clean));
    }
    return file.readAll();
}

} // namespace sievra
