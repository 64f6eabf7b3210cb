#pragma once

#include "HistoryError.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace sievra {

// The copies of deleted messages, one Maildir per account under quarantine/ in the data
// folder. A copy is on disk for good (written to tmp/, synced, renamed into new/, the folder
// synced) before Store() returns; only then may the message go on the server.
class QuarantineStore {
public:
    // $XDG_DATA_HOME/sievra/quarantine.
    static QString DefaultFolder();

    explicit QuarantineStore(QString root = DefaultFolder());

    // Stores `message` (its lines joined by LF) for the account and returns the copy's path.
    // The name comes from a digest of the bytes: a copy already there (a pass that ended
    // between the copy and the deletion) is kept and its path returned, never doubled.
    // Throws HistoryError with the reason when the copy is not safely on disk.
    QString Store(const QString& accountKey, const QByteArray& message);

    // Removes the copies last written before `cutoff`; returns how many went.
    int PurgeOlderThan(const QDateTime& cutoff);
    // Removes every copy; returns how many went.
    int PurgeAll() { return PurgeOlderThan(QDateTime::currentDateTimeUtc().addYears(1000)); }

    // The stored bytes of a copy below the root; throws HistoryError when it cannot be read.
    QByteArray Read(const QString& path) const;

    const QString& Root() const { return root_; }

private:
    QString MailFolder(const QString& accountKey) const;

    QString root_;
};

} // namespace sievra
