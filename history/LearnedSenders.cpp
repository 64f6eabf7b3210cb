#include "LearnedSenders.h"

#include "HistoryDatabase.h"

namespace sievra {

namespace {

// Keep the column order of ReadRows.
#define LEARNED_COLUMNS "account, address, learned, subject, message_date, last_seen"

QList<LearnedSender> ReadRows(HistoryStatement& query) {
    QList<LearnedSender> rows;
    while (query.Next()) {
        rows.append({query.Text(0), query.Text(1),
                     QDateTime::fromSecsSinceEpoch(query.Int(2), Qt::UTC), query.Text(3),
                     query.Text(4), QDateTime::fromSecsSinceEpoch(query.Int(5), Qt::UTC)});
    }
    return rows;
}

// Seconds since the epoch; a message without a date counts as written before any forgetting.
qint64 Seconds(const QDateTime& time) {
    return time.isValid() ? time.toSecsSinceEpoch() : 0;
}

} // namespace

LearnedSenders::LearnedSenders(HistoryDatabase& db, Clock clock)
    : db_(db)
    , clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTimeUtc(); })) {
    // NOCASE folds ASCII letters only, which is all a learned address (a plain mailbox) holds
    // in its domain; a local part with other letters must then be written the same way.
    // `forgotten` is null while the sender is learned.
    db_.EnsureTables(QStringLiteral("learned-senders"), 1,
                     {"CREATE TABLE IF NOT EXISTS learned_senders ("
                      " account TEXT NOT NULL,"
                      " address TEXT NOT NULL COLLATE NOCASE,"
                      " learned INTEGER NOT NULL,"
                      " subject TEXT NOT NULL DEFAULT '',"
                      " message_date TEXT NOT NULL DEFAULT '',"
                      " last_seen INTEGER NOT NULL,"
                      " forgotten INTEGER,"
                      " PRIMARY KEY (account, address))"});
}

bool LearnedSenders::Learn(const QString& account, const QString& address, const QString& subject,
                           const QString& messageDate, const QDateTime& written) {
    db_.Prepare("INSERT INTO learned_senders VALUES (?1, ?2, ?3, ?4, ?5, ?3, NULL)"
                " ON CONFLICT (account, address) DO UPDATE SET learned = ?3, subject = ?4,"
                " message_date = ?5, last_seen = ?3, forgotten = NULL"
                " WHERE forgotten IS NOT NULL AND forgotten < ?6")
        .Bind(1, account)
        .Bind(2, address)
        .Bind(3, Now().toSecsSinceEpoch())
        .Bind(4, subject)
        .Bind(5, messageDate)
        .Bind(6, Seconds(written))
        .Run();
    return db_.Changes() > 0;
}

void LearnedSenders::Seen(const QString& account, const QString& address,
                          const QDateTime& written) {
    if (!written.isValid()) {
        return;
    }
    db_.Prepare("UPDATE learned_senders SET last_seen = MIN(?3, ?4)"
                " WHERE account = ?1 AND address = ?2 AND forgotten IS NULL"
                " AND last_seen < MIN(?3, ?4)")
        .Bind(1, account)
        .Bind(2, address)
        .Bind(3, Now().toSecsSinceEpoch())
        .Bind(4, Seconds(written))
        .Run();
}

QList<LearnedSender> LearnedSenders::List(const QString& account) {
    HistoryStatement query = db_.Prepare("SELECT " LEARNED_COLUMNS " FROM learned_senders"
                                         " WHERE forgotten IS NULL AND (?1 = '' OR account = ?1)"
                                         " ORDER BY learned, address");
    query.Bind(1, account);
    return ReadRows(query);
}

QStringList LearnedSenders::Addresses(const QString& account) {
    QStringList addresses;
    for (const LearnedSender& sender : List(account)) {
        addresses.append(sender.Address);
    }
    return addresses;
}

int LearnedSenders::Forget(const QString& address, const QString& account) {
    db_.Prepare("UPDATE learned_senders SET forgotten = ?3"
                " WHERE address = ?1 AND (?2 = '' OR account = ?2) AND forgotten IS NULL")
        .Bind(1, address)
        .Bind(2, account)
        .Bind(3, Now().toSecsSinceEpoch())
        .Run();
    return db_.Changes();
}

void LearnedSenders::Remove(const QString& address) {
    db_.Prepare("DELETE FROM learned_senders WHERE address = ?1").Bind(1, address).Run();
}

QList<LearnedSender> LearnedSenders::ForgetUnseen(int days) {
    const qint64 now = Now().toSecsSinceEpoch();
    const qint64 limit = Now().addDays(-days).toSecsSinceEpoch();
    QList<LearnedSender> gone;
    db_.InTransaction([&] {
        db_.Prepare("DELETE FROM learned_senders WHERE forgotten < ?1").Bind(1, limit).Run();
        HistoryStatement forget = db_.Prepare(
            "UPDATE learned_senders SET forgotten = ?2 WHERE forgotten IS NULL AND last_seen < ?1"
            " RETURNING " LEARNED_COLUMNS);
        forget.Bind(1, limit).Bind(2, now);
        gone = ReadRows(forget);
    });
    return gone;
}

} // namespace sievra
