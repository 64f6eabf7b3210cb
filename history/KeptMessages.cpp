#include "KeptMessages.h"

namespace sievra {

KeptMessages::KeptMessages(HistoryDatabase& db)
    : db_(db) {
    db_.EnsureTables(
        QStringLiteral("kept-messages"), 1,
        {"CREATE TABLE IF NOT EXISTS kept_rules(account TEXT PRIMARY KEY, fingerprint BLOB NOT "
         "NULL)",
         "CREATE TABLE IF NOT EXISTS kept_messages(account TEXT NOT NULL, uid TEXT NOT NULL, "
         "PRIMARY KEY(account, uid)) WITHOUT ROWID"});
}

QSet<QString> KeptMessages::Load(const QString& account, const QByteArray& fingerprint) {
    HistoryStatement rules = db_.Prepare("SELECT fingerprint FROM kept_rules WHERE account = ?1");
    rules.Bind(1, account);
    if (!rules.Next() || rules.Blob(0) != fingerprint) {
        return {};
    }
    QSet<QString> ids;
    HistoryStatement kept = db_.Prepare("SELECT uid FROM kept_messages WHERE account = ?1");
    kept.Bind(1, account);
    while (kept.Next()) {
        ids.insert(kept.Text(0));
    }
    return ids;
}

void KeptMessages::Store(const QString& account, const QByteArray& fingerprint,
                         const QSet<QString>& ids) {
    db_.InTransaction([&] {
        db_.Prepare("DELETE FROM kept_messages WHERE account = ?1").Bind(1, account).Run();
        for (const QString& id : ids) {
            // A statement is reset when it goes out of scope, so each id takes a fresh one.
            db_.Prepare("INSERT OR IGNORE INTO kept_messages(account, uid) VALUES(?1, ?2)")
                .Bind(1, account)
                .Bind(2, id)
                .Run();
        }
        db_.Prepare("INSERT OR REPLACE INTO kept_rules(account, fingerprint) VALUES(?1, ?2)")
            .Bind(1, account)
            .Bind(2, fingerprint)
            .Run();
    });
}

} // namespace sievra
