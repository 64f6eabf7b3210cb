// The reply phase: senders of deleted messages are mailed the account's hints. Addresses not
// yet served wait in the queue file for the account's next pass.
#include "ScreeningEngine.h"
#include "engine/EngineWindow.h"
#include "engine/HeaderValues.h"
#include "engine/PlainMailbox.h"
#include "engine/ReplyMarks.h"
#include "engine/ReplyRefusal.h"
#include "net/MimeText.h"
#include "net/SmtpReply.h"
#include "settings/JoinedList.h"

#include <QDateTime>
#include <QHash>
#include <algorithm>

namespace sievra {

namespace {

QString QueueErrorLine(const QString& message) {
    return QStringLiteral("<font color=\"clRed\"><B>Error: ") + message + QStringLiteral("</B>");
}

QString AddressOf(const QString& entry) {
    return entry.mid(entry.indexOf(QLatin1Char('=')) + 1);
}

} // namespace

QStringList ScreeningEngine::BuildReplyBody(const Account& account) const {
    QStringList body = options_.ReplyHeaderLines;
    body.append(QString());
    body.append(SplitJoined(account.Hints));
    body.append(QString());
    body.append(options_.ReplyFooterLines);
    return body;
}

// Sends what BackUpReplies left in pending_, through the account's SMTP server.
void ScreeningEngine::RunReplyPhase(Account& account) {
    if (pending_.IsEmpty() || !LoadLedger()) {
        return;
    }
    const QList<int> plan = PlanReplies(account, pending_.Items());
    if (!plan.isEmpty()) {
        state_.ErrorFlag = false;
        if (OpenSmtpSession(account)) {
            SendReplies(account, plan);
        }
        QuitSmtp();
    }
    ForgetServedReplies(account);
}

// Without the record of past replies no reply may go: it could be the second one to a
// sender within the interval. The addresses stay queued.
bool ScreeningEngine::LoadLedger() {
    ledger_.reset();
    replied_.clear();
    if (!historyDb_) {
        Complain(QueueErrorLine(QStringLiteral("the record of past replies cannot be read; no "
                                               "reply sent, every address stays queued")));
        return false;
    }
    try {
        ledger_.emplace(*historyDb_);
        ledger_->Load();
    } catch (const HistoryError& error) {
        Complain(QueueErrorLine(error.Message().toHtmlEscaped() +
                                QStringLiteral("; no reply sent, every address stays queued")));
        ledger_.reset();
        return false;
    }
    return true;
}

// The positions of the addresses that get a reply now. Those answered within the interval
// leave the queue unanswered; those past the pass's cap wait for the next pass.
QList<int> ScreeningEngine::PlanReplies(const Account& account, const QStringList& addresses) {
    served_.clear();
    sinceFlush_.start();
    const int days = options_.ReplyIntervalDays;
    const QDateTime since = QDateTime::currentDateTimeUtc().addDays(-days);
    QList<int> plan;
    int recent = 0;
    for (int i = 0; i < addresses.size(); ++i) {
        const std::optional<QDateTime> last = ledger_->LastReplied(addresses[i]);
        if (days > 0 && last && *last > since) {
            served_.append({i, addresses[i]});
            RecordReply(account, addresses[i],
                        QStringLiteral("not sent: answered in the last %1 day(s)").arg(days));
            ++recent;
        } else {
            plan.append(i);
        }
    }
    if (recent > 0) {
        Log(QStringLiteral("No reply to %1 address(es) answered in the last %2 day(s).")
                .arg(recent)
                .arg(days));
    }
    const int perPass = options_.RepliesPerPass;
    const int room = std::max(perPass - repliesThisPass_, 0);
    if (plan.size() > room) {
        Log(QStringLiteral("%1 address(es) stay queued for the next pass: at most %2 replies go "
                           "out in one pass.")
                .arg(plan.size() - room)
                .arg(perPass));
        plan.resize(room);
    }
    return plan;
}

// Restores the addresses left from earlier passes, merges them with this pass's, and writes
// the merged list back under new keys: one atomic change of the file, so no crash can lose
// either list. False when the file could not be read or written (it is then unchanged).
bool ScreeningEngine::BackUpReplies(const Account& account) {
    const QString section = account.KeyName;
    qsizetype stored = 0;
    qsizetype dropped = 0;
    deferrals_ = {};
    deferralsChanged_ = false;
    try {
        queue_.Update([&](IniDocument& doc) {
            const QStringList entries = doc.ReadSection(section);
            stored = entries.size();
            deferrals_.Load(doc, section);
            QStringList restored;
            restored.reserve(stored);
            for (const QString& entry : entries) {
                const QString address = AddressOf(entry);
                if (!entry.contains(QLatin1Char('='))) {
                    continue;
                }
                // Left by an older version, or written by hand: refused like a new one.
                if (IsPlainMailbox(address)) {
                    restored.append(address);
                } else {
                    ++dropped;
                }
            }
            pending_.AddAll(restored);
            doc.ReplaceSection(section, pending_.Items());
        });
    } catch (const QueueFileError& error) {
        Complain(QueueErrorLine(error.Message()));
        return false;
    }
    queueWritable_ = true;
    if (stored > 0) {
        Log(QStringLiteral("Restoring %1 addresses..").arg(stored));
    }
    if (dropped > 0) {
        Log(QStringLiteral("Dropped %1 queued address(es) that are not plain mailboxes.")
                .arg(dropped));
    }
    if (!pending_.IsEmpty()) {
        WriteStatus(QStringLiteral("Backing up addresses.."), true, false);
    }
    return true;
}

void ScreeningEngine::SetReplyFields(const Account& account) {
    smtp_.SetHdrSubject(TrimBlanks(options_.ReplySubject));
    smtp_.SetMailMessage(replyBody_);
    smtp_.SetFromName(QString());
    smtp_.SetHdrReplyTo(account.SmtpAddress);
    smtp_.SetHdrFrom(MailboxText(account.SmtpDisplayName, account.SmtpAddress));
}

void ScreeningEngine::SendReplies(const Account& account, const QList<int>& plan) {
    replyAccount_ = &account;
    SetReplyFields(account);
    replyPlan_ = plan;
    replyAddresses_ = pending_.Items();
    const int count = static_cast<int>(plan.size());
    WriteStatus(QStringLiteral("Sending %1 message(s)..").arg(count), false, true);
    window_.SetStatusBarPosition(0);
    lastRefusal_.clear();
    sameRefusals_ = 0;
    for (replyAt_ = 0; replyAt_ < count && !state_.AbortRequested && ledger_; ++replyAt_) {
        const int n = replyAt_;
        WriteStatus(QStringLiteral("Sending message %1 of %2").arg(n + 1).arg(count), true, true);
        const int i = plan[n];
        const QString address = replyAddresses_[i];
        if (!CanAddress(address)) {
            DropReply(i, address,
                      QStringLiteral("the server takes no address outside ASCII (no SMTPUTF8)"));
            continue;
        }
        SetReplyRecipient(address);
        SmtpRequestOf(QStringLiteral("sending mail"), SmtpRequest::Mail, [this] { smtp_.Mail(); });
        replyMarks_.clear();
        window_.SetStatusBarPosition((n + 1) * 100 / count);
        if (state_.ErrorFlag) {
            if (!TakeRefusal(i, address)) {
                ReportError();
                break;
            }
        } else {
            sameRefusals_ = 0;
            deferrals_.Forget(address);
            served_.append({i, address});
            replied_.append(address);
            ++repliesThisPass_;
            RecordReply(account, address, QStringLiteral("sent"));
        }
        if (sinceFlush_.elapsed() >= ServedFlushMs) {
            ForgetServedReplies(account);
        }
    }
    // A reply that followed the last one on the wire but was not sent after all stays queued:
    // QuitSmtp drops the connection before its text.
    replyPlan_.clear();
    replyAt_ = -1;
}

bool ScreeningEngine::CanAddress(const QString& address) const {
    return IsAscii(address) || smtp_.Extensions().SmtpUtf8;
}

void ScreeningEngine::SetReplyRecipient(const QString& address) {
    smtp_.SetRcptName({address});
    smtp_.SetHdrTo(address);
    replyMarks_ = ReplyMarkLines(repliedMessageIds_.value(address.toCaseFolded()));
}

// The text of the reply being sent has ended: on a pipelining server the next one's envelope
// may go with its ".", one round trip a reply instead of two. Whether it is sent after all is
// still decided when this one's outcome is in.
void ScreeningEngine::OfferNextReply(bool* follows) {
    const int next = replyAt_ + 1;
    if (replyAt_ < 0 || next >= replyPlan_.size() || state_.AbortRequested || !ledger_) {
        return;
    }
    const QString& address = replyAddresses_[replyPlan_[next]];
    if (CanAddress(address)) {
        SetReplyRecipient(address);
        *follows = true;
    }
}

// A refused reply: true when it has been dealt with (dropped, or kept for the next pass) and
// the next address may go; false when the phase has to stop with every address still queued.
bool ScreeningEngine::TakeRefusal(int index, const QString& address) {
    if (state_.AbortRequested) {
        return false;
    }
    const QString line = state_.ServerSaid;
    RefusalClass refusal = ClassifyRefusal(static_cast<quint16>(state_.ErrorCode), line,
                                           smtp_.Extensions().EnhancedStatusCodes);
    // The same words refusing three recipients in a row are about us, not about them; an
    // enhanced code already says whose fault it is.
    const bool coded = smtp_.Extensions().EnhancedStatusCodes && ParseEnhancedCode(line);
    sameRefusals_ = refusal == RefusalClass::Permanent && !coded && line == lastRefusal_
                        ? sameRefusals_ + 1
                        : 1;
    lastRefusal_ = line;
    // A temporary refusal of the sender or the text is the server's state, not this
    // address's: the next reply would meet it too.
    if ((refusal == RefusalClass::Permanent && sameRefusals_ >= 3) ||
        (refusal == RefusalClass::Temporary && !smtp_.RecipientRefused())) {
        refusal = RefusalClass::StopsPhase;
    }
    if (refusal == RefusalClass::StopsPhase) {
        return false;
    }
    state_.ErrorFlag = false;
    state_.ErrorCode = 0;
    state_.ServerSaid.clear();
    const QString said = CleanServerText(line);
    if (refusal == RefusalClass::Permanent) {
        DropReply(index, address, said);
        return true;
    }
    const int passes = deferrals_.Add(address);
    deferralsChanged_ = true;
    if (passes >= DeferralCounts::DropAfter) {
        DropReply(index, address,
                  QStringLiteral("refused on %1 passes in a row: ").arg(passes) + said);
    } else {
        Log(QStringLiteral("Reply to %1 kept for the next pass: %2").arg(address, said));
    }
    return true;
}

// A reply that will never go out leaves the queue like a sent one, with a line saying why;
// it is not an error of the pass.
void ScreeningEngine::DropReply(int index, const QString& address, const QString& reason) {
    Log(QStringLiteral("Reply to %1 dropped: %2").arg(address, reason));
    RecordReply(*replyAccount_, address, QStringLiteral("not sent: ") + reason);
    deferrals_.Forget(address);
    deferralsChanged_ = true;
    served_.append({index, address});
}

// Removes served addresses from the file. Rewriting the file safely after every reply would
// cost more than the reply itself, so the served ones are removed together at most every
// quarter second and when sending ends: a crash in between can only send a reply twice,
// never lose one.
void ScreeningEngine::ForgetServedReplies(const Account& account) {
    sinceFlush_.restart();
    RecordReplies();
    if ((served_.isEmpty() && !deferralsChanged_) || !queueWritable_) {
        served_.clear();
        return;
    }
    try {
        queue_.Update([&](IniDocument& doc) {
            ForgetServed(doc, account.KeyName, served_);
            if (deferralsChanged_) {
                deferrals_.Store(doc, account.KeyName);
            }
        });
        deferralsChanged_ = false;
    } catch (const QueueFileError& error) {
        Complain(QueueErrorLine(error.Message()));
        queueWritable_ = false;
    }
    served_.clear();
}

// The replies sent reach the record before they leave the queue: a crash in between can
// only keep a sender from a second reply, never send him one too many.
void ScreeningEngine::RecordReplies() {
    if (replied_.isEmpty() || !ledger_) {
        replied_.clear();
        return;
    }
    // Kept a while past the interval, so lengthening it later still finds them.
    constexpr int KeepDays = 90;
    try {
        ledger_->Note(replied_, QDateTime::currentDateTimeUtc(),
                      std::max(options_.ReplyIntervalDays, KeepDays));
    } catch (const HistoryError& error) {
        Complain(QueueErrorLine(error.Message().toHtmlEscaped() +
                                QStringLiteral("; no further reply sent this pass")));
        ledger_.reset(); // one error line, not one per reply
    }
    replied_.clear();
}

// Each served entry goes by its key when the key still holds its address. Another program
// may have rewritten the section meanwhile; then the entry is found by its address. Both in
// one pass over the section, so serving a long queue stays linear.
void ScreeningEngine::ForgetServed(IniDocument& doc, const QString& section,
                                   const QList<QPair<int, QString>>& served) {
    QHash<QString, QString> byKey;
    for (const auto& [key, address] : served) {
        byKey.insert(QString::number(key), address);
    }
    doc.DeleteEntriesIf(section, [&](const QString& key, QStringView value) {
        const auto it = byKey.find(key);
        if (it == byKey.end() || value.compare(*it, Qt::CaseInsensitive) != 0) {
            return false;
        }
        byKey.erase(it);
        return true;
    });
    QHash<QString, int> byAddress;
    for (const QString& address : std::as_const(byKey)) {
        ++byAddress[address.toCaseFolded()];
    }
    if (byAddress.isEmpty()) {
        return;
    }
    doc.DeleteEntriesIf(section, [&](const QString&, QStringView value) {
        const auto it = byAddress.find(value.toString().toCaseFolded());
        if (it == byAddress.end() || *it == 0) {
            return false;
        }
        --*it;
        return true;
    });
}

} // namespace sievra
