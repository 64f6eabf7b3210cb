// The pass's record: every decision goes to the history file, and the copies of deleted
// messages are kept for a time. The record never stops screening: a file that fails is
// reported once and the pass goes on without it.
#include "ScreeningEngine.h"
#include "engine/HeaderValues.h"
#include "history/RestoreToken.h"
#include "markup/StatusMarkup.h"

#include <utility>

namespace sievra {

// Opens the history, and drops decisions and copies past their age, before the first account.
void ScreeningEngine::OpenHistory() {
    history_.reset();
    historyDb_.reset();
    allowedIndex_ = AddressIndex(options_.AllowedSenders);
    try {
        historyDb_ = std::make_unique<HistoryDatabase>(historyPath_);
        if (!historyDb_->SetAsideNotice().isEmpty()) {
            Complain(ErrorMarkup(historyDb_->SetAsideNotice()));
        }
        history_ = std::make_unique<DecisionHistory>(*historyDb_);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        history_->DropOlderThan(now.addDays(-options_.HistoryDays));
    } catch (const HistoryError& error) {
        HistoryFailed(error);
    }
    const int purged = quarantine_.PurgeOlderThan(
        QDateTime::currentDateTimeUtc().addDays(-options_.QuarantineDays));
    if (purged > 0) {
        Log(QStringLiteral("%1 kept copies older than %2 days removed.")
                .arg(purged)
                .arg(options_.QuarantineDays));
    }
}

void ScreeningEngine::HistoryFailed(const HistoryError& error) {
    Complain(ErrorMarkup(error.Message() + QStringLiteral("; this pass is not recorded")));
    // The reply record shares the file: what was sent is noted if it still can be, and no
    // further reply goes out unrecorded.
    RecordReplies();
    ledger_.reset();
    history_.reset();
    historyDb_.reset();
}

// The values a record keeps of message i beside the rules' own.
void ScreeningEngine::NoteHeader(const QStringList& lines) {
    MessageNote note;
    note.Date = ExtractHeaderValue(lines, QStringLiteral("Date:"));
    note.MessageId = ExtractHeaderValue(lines, QStringLiteral("Message-ID:"));
    note.Token = ExtractHeaderValue(lines, RestoreTokenField + QLatin1Char(':'));
    note.Header = lines.join(QLatin1Char('\n'));
    notes_.append(note);
}

// A message this installation restored is kept once more, without allowing its sender.
bool ScreeningEngine::RestoredByUs(int i) const {
    const MessageNote& note = notes_.at(i);
    const QString from =
        i < lists_.FieldsList.size() ? lists_.FieldsList[i].From : lists_.FromList.at(i);
    return !note.Token.isEmpty() && !options_.RestoreKey.isEmpty() &&
           IsValidRestoreToken(options_.RestoreKey, note.Token, from, note.MessageId);
}

// Why message i was kept: the first rule that holds, in the order the rules try them.
QString ScreeningEngine::KeepReason(int i) const {
    const QString& from = lists_.FromList.at(i);
    const bool forged = i < lists_.FieldsList.size() && lists_.FieldsList[i].ForgedContact;
    if (forged) {
        return RejectReason(i) + QStringLiteral("; code word");
    }
    if (allowedIndex_.Contains(from)) {
        return QStringLiteral("allowed sender");
    }
    if (accepted_.Index().Contains(from)) {
        return QStringLiteral("in contacts");
    }
    const QString& subject = lists_.SubjectList.at(i);
    for (const QString& word : codeWords_) {
        if (!word.isEmpty() && subject.contains(word, Qt::CaseInsensitive)) {
            return QStringLiteral("code word \"%1\"").arg(word);
        }
    }
    return QStringLiteral("in contacts");
}

// Held until the account's decisions are all made (WriteRecords): kept messages are decided
// before any deletion, and the history still lists a turn in message order.
void ScreeningEngine::Record(const Account& account, int i, Decision decision,
                             const QString& reason, const MessageCopy& copy) {
    if (!history_) {
        return;
    }
    const MessageNote& note = notes_.at(i);
    DecisionRecord r;
    r.Account = account.KeyName;
    r.AccountName = account.AccountName;
    if (i < lists_.FieldsList.size()) {
        r.From = lists_.FieldsList[i].From;
        r.Subject = lists_.FieldsList[i].Subject;
    } else {
        r.Subject = lists_.SubjectList.at(i);
    }
    r.Sender = lists_.FromList.at(i);
    r.ReplyTo = lists_.ReplyToList.at(i);
    r.Date = note.Date;
    r.MessageId = note.MessageId;
    r.UniqueId = pop3_.UniqueIds().value(toScreen_.at(i));
    r.Header = note.Header;
    r.Outcome = decision;
    r.Reason = reason;
    r.Copy = copy.Kind;
    r.CopyPath = copy.Path;
    if (decision == Decision::Deleted && !account.Hints.isEmpty()) {
        r.Reply = queuedNow_ ? QStringLiteral("queued") : replyNote_;
    }
    heldRecords_.insert(i, r);
}

void ScreeningEngine::WriteRecords() {
    QList<DecisionRecord> held = std::exchange(heldRecords_, {}).values();
    if (!history_ || held.isEmpty()) {
        return;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (DecisionRecord& r : held) {
        r.Time = now;
    }
    try {
        history_->AddAll(held);
    } catch (const HistoryError& error) {
        HistoryFailed(error);
    }
}

// What became of a queued reply: "sent", "refused: 550 ...", "skipped: ...".
void ScreeningEngine::RecordReply(const Account& account, const QString& address,
                                  const QString& outcome) {
    if (!history_) {
        return;
    }
    try {
        history_->SetReplyOutcome(account.KeyName, address, outcome);
    } catch (const HistoryError& error) {
        HistoryFailed(error);
    }
}

} // namespace sievra
