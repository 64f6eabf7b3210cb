// One screening pass over the active accounts.
#include "ScreeningEngine.h"
#include "addressbook/AddressValidity.h"
#include "engine/AcceptanceRules.h"
#include "engine/EngineWindow.h"
#include "engine/PassLock.h"
#include "engine/PlainMailbox.h"
#include "settings/JoinedList.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>

namespace sievra {

namespace {

int Percent(int done, int total) {
    return total > 0 ? done * 100 / total : 0;
}

// "Status as of: " with the user's short date and long time (without a zone name).
QString StatusDate() {
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t')).replace(QStringLiteral("  "), QStringLiteral(" "));
    const QDateTime now = QDateTime::currentDateTime();
    return QStringLiteral("Status as of: ") + locale.toString(now.date(), QLocale::ShortFormat) +
           QLatin1Char(' ') + locale.toString(now.time(), timeFormat.trimmed());
}

} // namespace

void ScreeningEngine::RunPass() {
    passRunning_ = true;
    lastPassHadErrors_ = false;
    lastPassSkipped_ = false;
    counters_.DeletedCount = 0;
    counters_.WouldDeleteCount = 0;
    counters_.WaitingCount = 0;
    counters_.ErrorCount = 0;
    counters_.SeenCount = 0;
    options_ = window_.ReadPassOptions();
    repliesThisPass_ = 0;
    ownAddresses_ = OwnAddresses();
    if (options_.RestoreKey.isEmpty()) {
        options_.RestoreKey = madeRestoreKey_; // made by a restore since the settings were read
    }
    if (!LoadBook()) {
        passRunning_ = false;
        return;
    }
    BeginPass();
    OpenHistory();
    ForgetUnseenSenders();
    for (Account* account : window_.Accounts()) {
        if (!account->Active) {
            continue;
        }
        if (!account->KeyringError.isEmpty()) {
            // Without its password the account cannot be screened; nothing of it is touched.
            Complain(
                QStringLiteral("<font color=\"clRed\"><B>Error: Account \"%1\" skipped. %2</B>")
                    .arg(account->AccountName, account->KeyringError));
            continue;
        }
        const PassLock lock(*account);
        if (!lock.Held()) {
            SkipLockedAccount(*account, lock.Error());
            continue;
        }
        if (!ScreenAccount(*account) || state_.ErrorFlag) {
            break;
        }
    }
    window_.SetAbortEnabled(false);
    FinishPass();
    ledger_.reset(); // uses the history's connection
    history_.reset();
    historyDb_.reset();
    // Closed between passes like the record; the window opens it again when it lists them.
    learned_.reset();
    learnedDb_.reset();
    passRunning_ = false;
}

void ScreeningEngine::RefreshContacts() {
    const PassOptions options = window_.ReadPassOptions();
    accepted_.Load(options.WabFile, options.AddressBooks, options.AllowedSenders);
}

// The lines of a load that went well are shown with the results; those of a failed one are
// all the pass shows. A failure ends the pass before it shows the status panel, so the panel
// is shown now, or the error lines would sit out of sight.
bool ScreeningEngine::LoadBook() {
    const AcceptedSet::Outcome loaded =
        accepted_.Load(options_.WabFile, options_.AddressBooks, options_.AllowedSenders);
    if (!loaded.Ok) {
        window_.SelectStatusNode();
        for (const QString& line : loaded.Lines) {
            Log(line);
        }
        Log(QStringLiteral("<font color=\"clRed\"><B>Error: Unable to load address book.</B>"));
        lastPassHadErrors_ = true;
        return false;
    }
    if (accepted_.IsEmpty()) {
        window_.SelectStatusNode();
        Log(QStringLiteral(
            "<font color=\"clRed\"><B>Error: No valid addresses in address book.</B>"));
        lastPassHadErrors_ = true;
        return false;
    }
    sourceLines_ = loaded.Lines;
    return true;
}

void ScreeningEngine::BeginPass() {
    if (options_.AutoMode) {
        window_.StartTrayAnimation();
        UpdateTrayTip(TrayTipMode::Checking);
    }
    window_.SelectStatusNode();
    window_.SetAddAccountEnabled(false);
    window_.SetDeleteAccountEnabled(false);
    window_.SetTreeEnabled(false);
    window_.ClearStatusLines();
    window_.SetDateLabel(StatusDate());
    if (options_.PreviewOnly) {
        Log(QStringLiteral("<B>Preview only: nothing is deleted and no reply is sent; the "
                           "history shows what would be deleted.</B>"));
    }
    state_.ErrorFlag = false;
    state_.AbortRequested = false;
    window_.SetAbortEnabled(true);
}

// Another Sievra program is screening this mailbox now; it gets its turn at the next pass.
void ScreeningEngine::SkipLockedAccount(const Account& account, const QString& lockError) {
    if (!lockError.isEmpty()) {
        Complain(QStringLiteral("<font color=\"clRed\"><B>Error: %1</B>").arg(lockError));
        return;
    }
    Log(QStringLiteral("Skipping \"%1\": another Sievra program is screening it.")
            .arg(account.AccountName));
    lastPassSkipped_ = true;
}

// Screens one active account; false when the pass must not go on to the next one.
bool ScreeningEngine::ScreenAccount(Account& account) {
    lists_.Clear();
    notes_.clear();
    heldRecords_.clear();
    pending_.Clear();
    repliedMessageIds_.clear();
    cutHeaders_.clear();
    toScreen_.clear();
    pipelineBroken_ = false;
    accountDeleted_ = 0;
    accountQueued_ = 0;
    replyBody_ = BuildReplyBody(account);
    codeWords_ = SplitJoined(account.CodeWords);
    if (!LoadLearned(account)) {
        return true;
    }

    if (OpenPop3Session(account) && pop3_.MsgCount() > 0) {
        counters_.SeenCount += pop3_.MsgCount();
        ScreenMessages(account, ScreenedCount(pop3_.MsgCount()));
        WriteRecords();
    }
    // The addresses owed a reply reach the disk before QUIT makes the deletions final. A
    // preview leaves the queue as it is.
    const bool replies = !account.Hints.isEmpty() && !options_.PreviewOnly;
    const bool saved = !replies || BackUpReplies(account);
    if (!saved) {
        KeepMessagesOnServer();
    }
    QuitPop3();
    if (state_.AbortRequested) {
        return false;
    }
    if (replies && saved) {
        RunReplyPhase(account);
        if (state_.AbortRequested) {
            return false;
        }
    }
    return !state_.ErrorFlag;
}

// At most "Max Messages Per Pass" messages of a session are screened; the others wait. The
// server's count alone must not decide how long a pass runs or how much it holds.
int ScreeningEngine::ScreenedCount(int count) {
    const int limit = std::max(options_.MaxMessagesPerPass, 1);
    if (count <= limit) {
        return count;
    }
    Log(QStringLiteral("<B>%1 messages on the server: screening the first %2, the rest wait "
                       "for the next pass.</B>")
            .arg(count)
            .arg(limit));
    return limit;
}

// Fetches the headers, decides every message, then deletes the rejected ones. Headers and
// deletions each travel as one pipelined request when the server offers it.
void ScreeningEngine::ScreenMessages(const Account& account, int count) {
    if (!FetchUniqueIds()) {
        return;
    }
    ChooseMessages(account, count);
    if (!toScreen_.isEmpty()) {
        FetchHeaders();
        if (state_.ErrorFlag) {
            ReportError();
            DropBrokenPipeline();
            return;
        }
        const QList<int> rejected = DecideMessages(account);
        if (!rejected.isEmpty()) {
            DeleteMessages(account, rejected);
        }
    }
    RememberKept(account);
}

// Fetches the headers of the messages in toScreen_; position k of the lists belongs to
// message toScreen_[k].
void ScreeningEngine::FetchHeaders() {
    const int total = int(toScreen_.size());
    WriteStatus(QStringLiteral("Retrieving %1 header(s)..").arg(total), false, true);
    window_.SetStatusBarPosition(0);
    if (pop3_.Capabilities().Pipelining && total > 1) {
        FetchHeadersPipelined();
        return;
    }
    for (int k = 0; k < total && !state_.ErrorFlag; ++k) {
        state_.MessageNumber = toScreen_.at(k);
        WriteStatus(QStringLiteral("Retrieving header %1 of %2").arg(k + 1).arg(total), true, true);
        pop3_.SetMsgLines(0);
        pop3_.SetMsgNum(state_.MessageNumber);
        state_.HeaderLines.clear();
        state_.InMessage = false;
        collector_.Begin(state_.HeaderLines);
        PopRequest(QStringLiteral("getting header"), pop3Top, [this] { pop3_.Top(); });
        TakeHeader(k);
    }
    state_.HeaderLines.clear();
}

void ScreeningEngine::TakeHeader(int position) {
    if (pop3_.MessageCut()) {
        cutHeaders_.insert(position);
    }
    AppendHeaderValues(state_.HeaderLines, lists_, options_.Reading);
    NoteHeader(state_.HeaderLines);
    // After header k the bar stands one step ahead, as it always has.
    window_.SetStatusBarPosition(Percent(position + 2, int(toScreen_.size())));
}

// Every message is decided and recorded before the first DELE goes out, so a failure while
// the headers arrive deletes nothing, and the deletions can travel together. Returns the
// positions of the messages to delete; a preview returns none.
QList<int> ScreeningEngine::DecideMessages(const Account& account) {
    const int total = int(toScreen_.size());
    WriteStatus(QStringLiteral("Checking %1 message(s)..").arg(total), false, true);
    window_.SetStatusBarPosition(0);
    const SenderCheck check =
        account.CheckSenderAuthentication ? SenderCheck::On : SenderCheck::Off;
    QList<int> rejected;
    for (int k = 0; k < total && !state_.AbortRequested; ++k) {
        WriteStatus(QStringLiteral("Checking message %1 of %2").arg(k + 1).arg(total), true, true);
        if (cutHeaders_.contains(k)) {
            Log(QStringLiteral("Message %1 has a header too large to screen; it stays on the "
                               "server.")
                    .arg(toScreen_.at(k)));
            ++counters_.WaitingCount;
            Record(account, k, Decision::Kept, QStringLiteral("header too large to screen"));
        } else {
            const Verdict verdict =
                JudgeMessage(lists_, k, accepted_.Index(), learnedIndex_, codeWords_, check);
            NoteForgedContact(k);
            if (verdict != Verdict::Rejected) {
                ++counters_.WaitingCount;
                Record(account, k, Decision::Kept,
                       verdict == Verdict::LearnedSender ? QStringLiteral("learned sender")
                                                         : KeepReason(k));
                NoteAcceptance(account, verdict, k);
                NoteKept(k);
            } else if (RestoredByUs(k)) {
                ++counters_.WaitingCount;
                Record(account, k, Decision::Kept, QStringLiteral("restored from the history"));
                NoteKept(k);
            } else if (options_.PreviewOnly) {
                ++counters_.WouldDeleteCount;
                Record(account, k, Decision::WouldDelete, RejectReason(k));
            } else {
                rejected.append(k);
            }
        }
        window_.SetStatusBarPosition(Percent(k + 1, total));
    }
    return rejected;
}

// "no match", or what made a contact's message count as a stranger's.
QString ScreeningEngine::RejectReason(qsizetype i) const {
    if (i < lists_.FieldsList.size() && lists_.FieldsList[i].ForgedContact) {
        return QStringLiteral("forged sender (%1)").arg(lists_.FieldsList[i].ForgedSender);
    }
    return QStringLiteral("no match");
}

void ScreeningEngine::NoteForgedContact(qsizetype i) {
    if (i < lists_.FieldsList.size() && lists_.FieldsList[i].ForgedContact) {
        Log(QStringLiteral("Message %1 from %2: forged sender (%3); judged by the code words.")
                .arg(toScreen_.at(i))
                .arg(ShownAddress(lists_.FromList[i]), lists_.FieldsList[i].ForgedSender));
    }
}

// The addresses of every account, as the replies and the logins name them.
QStringList ScreeningEngine::OwnAddresses() const {
    QStringList own;
    for (const Account* account : window_.Accounts()) {
        for (const QString& address : {account->SmtpAddress, account->Pop3User}) {
            if (address.contains(QLatin1Char('@'))) {
                own.append(address.trimmed());
            }
        }
    }
    return own;
}

// Why the sender of deleted message i must not be answered, or "": a program wrote it, the
// reply would go to the user himself (RFC 3834), or the receiving server found the sender
// forged, so a reply would land on whoever's name was taken.
QString ScreeningEngine::ReplyGuard(const Account& account, qsizetype i) const {
    const QString& replyTo = lists_.ReplyToList[i];
    if (i < lists_.FieldsList.size()) {
        const MessageFields& fields = lists_.FieldsList[i];
        if (fields.Automatic) {
            return fields.Automatic->Describe();
        }
        if (account.CheckSenderAuthentication && !fields.ForgedSender.isEmpty()) {
            return QStringLiteral("forged sender (%1)").arg(fields.ForgedSender);
        }
    }
    std::optional<AutomaticSign> sign = FindProgramAddress(replyTo);
    if (!sign) {
        sign = FindOwnAddress(replyTo, ownAddresses_);
    }
    return sign ? sign->Describe() : QString();
}

// Keeps a copy of each rejected message (where the account keeps copies) before any DELE. A
// message whose copy failed leaves the list and stays on the server. False when the session
// cannot go on: nothing is deleted then.
bool ScreeningEngine::CopyRejected(const Account& account, QList<int>& rejected,
                                   MessageCopies& copies) {
    if (!account.KeepDeletedCopies) {
        return true;
    }
    QList<int> copied;
    for (const int k : rejected) {
        MessageCopy copy;
        if (CopyBeforeDelete(account, k, copy)) {
            copies.insert(k, copy);
            copied.append(k);
            continue;
        }
        ++counters_.WaitingCount;
        Record(account, k, Decision::NotDeleted,
               RejectReason(k) + QStringLiteral("; no copy could be kept"));
        if (state_.ErrorFlag) {
            ReportError();
            NotDeleted(account, copied, copies);
            return false;
        }
        if (state_.AbortRequested) {
            return false;
        }
    }
    rejected = copied;
    return true;
}

// Deletes the rejected messages (positions in toScreen_). The first failure stops the step:
// the messages after it stay on the server.
void ScreeningEngine::DeleteMessages(const Account& account, QList<int> rejected) {
    MessageCopies copies;
    if (!CopyRejected(account, rejected, copies) || rejected.isEmpty() || state_.AbortRequested) {
        return;
    }
    if (pop3_.Capabilities().Pipelining && rejected.size() > 1) {
        DeleteMessagesPipelined(account, rejected, copies);
        return;
    }
    for (qsizetype d = 0; d < rejected.size() && !state_.AbortRequested; ++d) {
        const int k = rejected.at(d);
        const int number = toScreen_.at(k);
        WriteStatus(QStringLiteral("Deleting message %1").arg(number), true, true);
        pop3_.SetMsgNum(number);
        PopRequest(QStringLiteral("deleting a message"), pop3Dele, [this] { pop3_.Dele(); });
        if (state_.ErrorFlag) {
            Record(account, k, Decision::NotDeleted,
                   RejectReason(k) + QStringLiteral("; the server refused"), copies.value(k));
            ReportError();
            NotDeleted(account, rejected.mid(d + 1), copies);
            return;
        }
        Deleted(account, k, copies.value(k));
        window_.SetStatusBarPosition(Percent(int(d) + 1, int(rejected.size())));
    }
}

void ScreeningEngine::Deleted(const Account& account, int position, const MessageCopy& copy) {
    ++counters_.DeletedCount;
    ++accountDeleted_;
    queuedNow_ = !account.Hints.isEmpty() && QueueReply(account, position);
    Record(account, position, Decision::Deleted, RejectReason(position), copy);
    queuedNow_ = false;
    replyNote_.clear();
}

// Rejected messages the failed session left on the server: recorded, so their copies are
// found, and neither counted as waiting nor as deleted.
void ScreeningEngine::NotDeleted(const Account& account, const QList<int>& positions,
                                 const MessageCopies& copies) {
    for (const int k : positions) {
        Record(account, k, Decision::NotDeleted,
               RejectReason(k) + QStringLiteral("; the session failed first"), copies.value(k));
    }
}

// Only a plain mailbox is queued: anything else could carry an SMTP parameter or a header
// line into the reply, or be refused by every server and hold up the account's queue. True
// when the address is owed a reply (also when an earlier message queued it).
bool ScreeningEngine::QueueReply(const Account& account, qsizetype i) {
    const QString& replyTo = lists_.ReplyToList[i];
    if (const QString guard = ReplyGuard(account, i); !guard.isEmpty()) {
        const QString& shown = replyTo.isEmpty() ? lists_.FromList[i] : replyTo;
        Log(QStringLiteral("No reply to %1: %2").arg(ShownAddress(shown), guard));
        replyNote_ = QStringLiteral("no reply: ") + guard;
        return false;
    }
    if (!IsValidAddress(replyTo)) {
        return false;
    }
    if (!IsPlainMailbox(replyTo)) {
        Log(QStringLiteral("No reply to \"%1\": not a plain mail address.")
                .arg(ShownAddress(replyTo)));
        return false;
    }
    if (pending_.Add(replyTo)) {
        ++accountQueued_;
        if (i < lists_.FieldsList.size()) {
            repliedMessageIds_.insert(replyTo.toCaseFolded(), lists_.FieldsList[i].MessageId);
        }
    }
    return true;
}

void ScreeningEngine::FinishPass() {
    const bool automatic = options_.AutoMode;
    if (automatic) {
        window_.StopTrayAnimation();
    }
    for (const QString& line : sourceLines_) {
        Log(line);
    }
    QString results = QStringLiteral("<font color=\"clGreen\"><B>RESULTS: ");
    const int screened =
        counters_.DeletedCount + counters_.WaitingCount + counters_.WouldDeleteCount;
    if (screened > 0 || counters_.SeenCount > 0) {
        results += QStringLiteral("%1 waiting. %2 deleted. ")
                       .arg(counters_.WaitingCount)
                       .arg(counters_.DeletedCount);
        if (options_.PreviewOnly) {
            results +=
                QStringLiteral("%1 would be deleted (preview). ").arg(counters_.WouldDeleteCount);
        }
        // A pass cut short must not read as an empty mailbox.
        if (counters_.SeenCount > screened) {
            results += QStringLiteral("%1 not screened. ").arg(counters_.SeenCount - screened);
        }
    } else {
        results += QStringLiteral("No messages. ");
    }
    if (counters_.ErrorCount > 0) {
        results += QStringLiteral("<font color=\"clRed\">");
    }
    Log(results + QStringLiteral("%1 Error(s)</B>").arg(counters_.ErrorCount));
    counters_.DeletedTotal += counters_.DeletedCount;
    Notify();
    counters_.LastWaitingCount = counters_.WaitingCount;
    EnableAccountControls();
    if (automatic) {
        UpdateTrayTip(TrayTipMode::Results);
    }
}

// Beep and pop-up only in automatic mode, and only when the number of waiting messages is
// new.
void ScreeningEngine::Notify() {
    const bool fresh = counters_.WaitingCount > 0 &&
                       counters_.WaitingCount != counters_.LastWaitingCount && options_.AutoMode;
    if (fresh && options_.BeepOn) {
        window_.Beep();
    }
    if (counters_.WaitingCount > 0) {
        window_.EnableLaunchMailClient();
    }
    if (fresh && options_.VisualAlertOn) {
        window_.ShowNewMailPopup(counters_.WaitingCount);
    }
}

void ScreeningEngine::EnableAccountControls() {
    window_.SetAddAccountEnabled(true);
    window_.SetTreeEnabled(true);
    window_.SetDeleteAccountEnabled(window_.SelectedNodeIsAccount());
}

} // namespace sievra
