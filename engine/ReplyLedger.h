#pragma once

#include "engine/ReplyQueueFile.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace sievra {

// When each address was last sent a reply, by any account and either program: the record
// that keeps Sievra to one reply per sender per interval, across passes and restarts. Kept in
// "Replied.ini" beside the reply queue, with the queue's care: every change is one locked,
// atomic replacement of the file.
class ReplyLedger {
public:
    // "Replied.ini" in the folder of the queue file at queuePath.
    static QString PathBeside(const QString& queuePath);

    explicit ReplyLedger(QString path);

    // Reads the record as it is now. Raises QueueFileError when it cannot be read.
    void Load();
    // When the address (compared without case) was last sent a reply, as loaded.
    std::optional<QDateTime> LastReplied(const QString& address) const;
    // Records the replies in one write, and forgets those older than `keepDays`. Raises
    // QueueFileError when the file cannot be written; it is then unchanged.
    void Note(const QStringList& addresses, const QDateTime& when, int keepDays);

private:
    ReplyQueueFile file_;
    QHash<QString, QDateTime> last_; // case-folded address -> time (UTC)
};

} // namespace sievra
