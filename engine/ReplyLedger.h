#pragma once

#include "history/HistoryDatabase.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace sievra {

// When each address was last sent a reply, by any account and either program: the record
// that keeps Sievra to one reply per sender per interval, across passes and restarts. Kept in
// its own table of the history file. SQLite's locking (with the file's busy time-out) lets
// `sievra` and `sievra-pass` share it.
class ReplyLedger {
public:
    // Opens the ledger's table in db, which must outlive the ledger. Raises HistoryError when
    // it cannot. A damaged history file was set aside by db: the record then starts empty.
    explicit ReplyLedger(HistoryDatabase& db);

    // Reads the record as it is now. Raises HistoryError when it cannot be read.
    void Load();
    // When the address (compared without case) was last sent a reply, as loaded.
    std::optional<QDateTime> LastReplied(const QString& address) const;
    // Records the replies in one transaction, and forgets those older than `keepDays`.
    // Raises HistoryError when it cannot be written; the table is then unchanged.
    void Note(const QStringList& addresses, const QDateTime& when, int keepDays);

private:
    HistoryDatabase* db_;
    QHash<QString, QDateTime> last_; // case-folded address -> time (UTC)
};

} // namespace sievra
