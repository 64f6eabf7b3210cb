#pragma once

#include "history/HistoryDatabase.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace sievra {

// When each address was last sent a reply, by any account and either program: the record
// that keeps Sievra to one reply per sender per interval, across passes and restarts. Kept in
// its own table of the history file, through a connection of its own, so a failed write of
// the decision record never takes it away in the middle of the reply phase. SQLite's locking
// (with the file's busy time-out) lets `sievra` and `sievra-pass` share it.
class ReplyLedger {
public:
    // Opens the history file at path and the ledger's table. Raises HistoryError when neither
    // can be used. A damaged file is set aside by the database and a new, empty one started.
    explicit ReplyLedger(const QString& path);

    // Non-empty when opening set a damaged history file aside.
    const QString& SetAsideNotice() const { return db_->SetAsideNotice(); }

    // Reads the record as it is now. Raises HistoryError when it cannot be read.
    void Load();
    // When the address (compared without case) was last sent a reply, as loaded.
    std::optional<QDateTime> LastReplied(const QString& address) const;
    // Records the replies in one transaction, and forgets those older than `keepDays`.
    // Raises HistoryError when it cannot be written; the table is then unchanged.
    void Note(const QStringList& addresses, const QDateTime& when, int keepDays);

private:
    std::unique_ptr<HistoryDatabase> db_;
    QHash<QString, QDateTime> last_; // case-folded address -> time (UTC)
};

} // namespace sievra
