#include "DecisionHistory.h"

#include "mail/HeaderText.h"

#include <array>

namespace sievra {

namespace {

constexpr std::array<const char*, 4> DecisionNames = {"kept", "deleted", "would delete",
                                                      "not deleted"};

constexpr const char* Columns =
    "id, time, account, account_name, unique_id, sender_field, subject, date, message_id, "
    "sender, reply_to, decision, reason, reply, copy, copy_path, header";

DecisionRecord FromRow(const HistoryStatement& st) {
    DecisionRecord r;
    r.Id = st.Int(0);
    r.Time = QDateTime::fromSecsSinceEpoch(st.Int(1), Qt::UTC);
    r.Account = st.Text(2);
    r.AccountName = st.Text(3);
    r.UniqueId = st.Text(4);
    r.From = st.Text(5);
    r.Subject = st.Text(6);
    r.Date = st.Text(7);
    r.MessageId = st.Text(8);
    r.Sender = st.Text(9);
    r.ReplyTo = st.Text(10);
    const qint64 decision = st.Int(11);
    r.Outcome = decision >= 0 && decision < qint64(DecisionNames.size())
                    ? static_cast<Decision>(decision)
                    : Decision::NotDeleted;
    r.Reason = st.Text(12);
    r.Reply = st.Text(13);
    const qint64 copy = st.Int(14);
    r.Copy = copy == 1 ? CopyKind::Whole : copy == 2 ? CopyKind::HeaderOnly : CopyKind::None;
    r.CopyPath = st.Text(15);
    r.Header = st.Text(16);
    return r;
}

} // namespace

QString DecisionText(Decision decision) {
    return QString::fromLatin1(DecisionNames.at(static_cast<size_t>(decision)));
}

std::optional<Decision> DecisionFromText(const QString& text) {
    for (size_t i = 0; i < DecisionNames.size(); ++i) {
        if (text == QLatin1String(DecisionNames[i])) {
            return static_cast<Decision>(i);
        }
    }
    return std::nullopt;
}

QString DisplayText(const QString& raw) {
    return DecodeHeaderText(raw);
}

DecisionHistory::DecisionHistory(HistoryDatabase& db)
    : db_(db) {
    db_.EnsureTables(
        QStringLiteral("decisions"), 1,
        {"CREATE TABLE IF NOT EXISTS decisions(id INTEGER PRIMARY KEY, time INTEGER NOT NULL,"
         " account TEXT NOT NULL, account_name TEXT NOT NULL, unique_id TEXT NOT NULL,"
         " sender_field TEXT NOT NULL, subject TEXT NOT NULL, date TEXT NOT NULL,"
         " message_id TEXT NOT NULL, sender TEXT NOT NULL, reply_to TEXT NOT NULL,"
         " decision INTEGER NOT NULL, reason TEXT NOT NULL, reply TEXT NOT NULL,"
         " copy INTEGER NOT NULL, copy_path TEXT NOT NULL, header TEXT NOT NULL)",
         "CREATE INDEX IF NOT EXISTS decisions_time ON decisions(time)",
         "CREATE INDEX IF NOT EXISTS decisions_reply ON decisions(account, reply_to)"});
}

void DecisionHistory::Add(DecisionRecord& r) {
    HistoryStatement st = db_.Prepare(
        "INSERT INTO decisions(time, account, account_name, unique_id, sender_field, subject,"
        " date, message_id, sender, reply_to, decision, reason, reply, copy, copy_path, header)"
        " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16)");
    st.Bind(1, r.Time.toSecsSinceEpoch())
        .Bind(2, r.Account)
        .Bind(3, r.AccountName)
        .Bind(4, r.UniqueId)
        .Bind(5, r.From)
        .Bind(6, r.Subject)
        .Bind(7, r.Date)
        .Bind(8, r.MessageId)
        .Bind(9, r.Sender)
        .Bind(10, r.ReplyTo)
        .Bind(11, qint64(r.Outcome))
        .Bind(12, r.Reason)
        .Bind(13, r.Reply)
        .Bind(14, qint64(r.Copy))
        .Bind(15, r.CopyPath)
        .Bind(16, r.Header)
        .Run();
    r.Id = db_.LastInsertId();
}

void DecisionHistory::AddAll(QList<DecisionRecord>& records) {
    db_.InTransaction([&] {
        for (DecisionRecord& r : records) {
            Add(r);
        }
    });
}

void DecisionHistory::SetReplyOutcome(const QString& account, const QString& address,
                                      const QString& outcome) {
    HistoryStatement st = db_.Prepare("UPDATE decisions SET reply = ?3 WHERE account = ?1 AND"
                                      " reply_to = ?2 AND reply = 'queued'");
    st.Bind(1, account).Bind(2, address).Bind(3, outcome).Run();
}

void DecisionHistory::SetCopy(qint64 id, CopyKind copy, const QString& path) {
    HistoryStatement st =
        db_.Prepare("UPDATE decisions SET copy = ?2, copy_path = ?3 WHERE id = ?1");
    st.Bind(1, id).Bind(2, qint64(copy)).Bind(3, path).Run();
}

void DecisionHistory::NoteRestored(qint64 id, const QDateTime& time) {
    const QString note = QStringLiteral("; restored ") +
                         time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    HistoryStatement st = db_.Prepare("UPDATE decisions SET reason = reason || ?2 WHERE id = ?1");
    st.Bind(1, id).Bind(2, note).Run();
}

std::vector<DecisionRecord> DecisionHistory::List(const DecisionFilter& filter) const {
    // One statement for every filter: an empty condition matches all.
    static const QByteArray sql =
        QByteArray("SELECT ") + Columns +
        " FROM decisions WHERE (?1 = '' OR account = ?1) AND (?2 < 0 OR decision = ?2)"
        " AND time >= ?3 AND (?4 = '' OR instr(lower(sender_field || ' ' || subject || ' ' ||"
        " sender), lower(?4)) > 0) ORDER BY time DESC, id DESC LIMIT ?5";
    HistoryStatement st = db_.Prepare(sql.constData());
    st.Bind(1, filter.Account)
        .Bind(2, filter.Outcome ? qint64(*filter.Outcome) : qint64{-1})
        .Bind(3, filter.Since.isValid() ? filter.Since.toSecsSinceEpoch() : qint64{0})
        .Bind(4, filter.Text)
        .Bind(5, filter.Limit > 0 ? qint64{filter.Limit} : qint64{-1});
    std::vector<DecisionRecord> rows;
    while (st.Next()) {
        rows.push_back(FromRow(st));
    }
    return rows;
}

std::optional<DecisionRecord> DecisionHistory::Find(qint64 id) const {
    static const QByteArray sql = QByteArray("SELECT ") + Columns + " FROM decisions WHERE id = ?1";
    HistoryStatement st = db_.Prepare(sql.constData());
    st.Bind(1, id);
    if (!st.Next()) {
        return std::nullopt;
    }
    return FromRow(st);
}

int DecisionHistory::DropOlderThan(const QDateTime& cutoff) {
    HistoryStatement st = db_.Prepare("DELETE FROM decisions WHERE time < ?1");
    st.Bind(1, cutoff.toSecsSinceEpoch()).Run();
    return db_.Changes();
}

} // namespace sievra
