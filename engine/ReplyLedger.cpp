#include "ReplyLedger.h"

namespace sievra {

namespace {

// Seconds since the epoch, UTC: compared and pruned as numbers.
QDateTime FromSeconds(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

} // namespace

ReplyLedger::ReplyLedger(HistoryDatabase& db)
    : db_(&db) {
    db_->EnsureTables(QStringLiteral("reply-interval"), 1,
                      {"CREATE TABLE IF NOT EXISTS reply_interval("
                       "address TEXT PRIMARY KEY, last INTEGER NOT NULL)"});
}

void ReplyLedger::Load() {
    last_.clear();
    // Scoped: the statement is reset when it goes, ending its read of the file.
    HistoryStatement rows = db_->Prepare("SELECT address, last FROM reply_interval");
    while (rows.Next()) {
        last_.insert(rows.Text(0), FromSeconds(rows.Int(1)));
    }
}

std::optional<QDateTime> ReplyLedger::LastReplied(const QString& address) const {
    const auto it = last_.find(address.toCaseFolded());
    return it == last_.end() ? std::nullopt : std::optional(*it);
}

void ReplyLedger::Note(const QStringList& addresses, const QDateTime& when, int keepDays) {
    if (addresses.isEmpty()) {
        return;
    }
    const qint64 stamp = when.toSecsSinceEpoch();
    const qint64 oldest = when.addDays(-keepDays).toSecsSinceEpoch();
    db_->InTransaction([&] {
        db_->Prepare("DELETE FROM reply_interval WHERE last < ?1").Bind(1, oldest).Run();
        // One statement per address: Run() leaves a cached statement done, and only its
        // going out of scope resets it for the next binding.
        for (const QString& address : addresses) {
            db_->Prepare("INSERT OR REPLACE INTO reply_interval(address, last) VALUES (?1, ?2)")
                .Bind(1, address.toCaseFolded())
                .Bind(2, stamp)
                .Run();
        }
    });
    for (const QString& address : addresses) {
        last_.insert(address.toCaseFolded(), FromSeconds(stamp));
    }
}

} // namespace sievra
