#pragma once

#include "HistoryDatabase.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

namespace sievra {

// What a pass did with one message. The numbers are stored: never renumber them.
enum class Decision { Kept = 0, Deleted = 1, WouldDelete = 2, NotDeleted = 3 };

// What Sievra kept of a message it deleted.
enum class CopyKind { None = 0, Whole = 1, HeaderOnly = 2 };

// "kept", "deleted", "would delete", "not deleted".
QString DecisionText(Decision decision);
std::optional<Decision> DecisionFromText(const QString& text);

// A header value as a person reads it: encoded words decoded, control characters turned into
// spaces (a terminal or a table must not be steered by a sender's bytes).
QString DisplayText(const QString& raw);

// One row of the decision history. Header values are kept as the header gives them
// (unfolded, not decoded); they are decoded only for display.
struct DecisionRecord {
    qint64 Id = 0;
    QDateTime Time;
    QString Account;     // the account's key name
    QString AccountName; // as the user named it then
    QString UniqueId;    // the server's unique id where it gives one
    QString From;
    QString Subject;
    QString Date;
    QString MessageId;
    QString Sender; // the From address the rules read
    QString ReplyTo;
    Decision Outcome = Decision::Kept;
    QString Reason; // "in contacts", "allowed sender", "code word \"x\"", "no match", ...
    QString Reply;  // "queued", "sent", "refused: 550 ...", "skipped: ..."
    CopyKind Copy = CopyKind::None;
    QString CopyPath;
    QString Header; // the header lines Sievra kept, for "show"
};

struct DecisionFilter {
    QString Account; // key name; empty for all
    std::optional<Decision> Outcome;
    QDateTime Since; // invalid for all
    QString Text;    // found in From, Subject or the sender; empty for all
    int Limit = 0;   // 0 for all
};

// The decisions table of the history file, newest first when listed.
class DecisionHistory {
public:
    explicit DecisionHistory(HistoryDatabase& db);

    // Stores the record and sets its Id.
    void Add(DecisionRecord& record);
    // All of them in one transaction: one commit for a turn instead of one a message.
    void AddAll(QList<DecisionRecord>& records);
    // The reply to `address` that a pass of `account` queued has this outcome now.
    void SetReplyOutcome(const QString& account, const QString& address, const QString& outcome);
    void SetCopy(qint64 id, CopyKind copy, const QString& path);
    // The row's reason gains "; restored <time>", so the list shows the message went back.
    void NoteRestored(qint64 id, const QDateTime& time);
    std::vector<DecisionRecord> List(const DecisionFilter& filter) const;
    std::optional<DecisionRecord> Find(qint64 id) const;
    // Drops the rows older than `cutoff`; returns how many went.
    int DropOlderThan(const QDateTime& cutoff);

    HistoryDatabase& Database() { return db_; }

private:
    HistoryDatabase& db_;
};

} // namespace sievra
