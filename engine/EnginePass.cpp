// One screening pass over the active accounts.
#include "ScreeningEngine.h"
#include "addressbook/AddressValidity.h"
#include "engine/AcceptanceRules.h"
#include "engine/EngineWindow.h"
#include "settings/JoinedList.h"

#include <QDateTime>
#include <QLocale>

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
    counters_.DeletedCount = 0;
    counters_.WaitingCount = 0;
    counters_.ErrorCount = 0;
    if (!LoadBook()) {
        passRunning_ = false;
        return;
    }
    BeginPass();
    for (Account* account : window_.Accounts()) {
        if (!account->Active) {
            continue;
        }
        if (!ScreenAccount(*account) || state_.ErrorFlag) {
            break;
        }
    }
    window_.SetAbortEnabled(false);
    FinishPass();
    passRunning_ = false;
}

// A failure here ends the pass before it shows the status panel; it is shown now, or the
// error line would sit out of sight.
bool ScreeningEngine::LoadBook() {
    if (!LoadAddressBook(window_.WabFile(), *this, book_)) {
        window_.SelectStatusNode();
        Log(QStringLiteral("<font color=\"clRed\"><B>Error: Unable to load address book.</B>"));
        lastPassHadErrors_ = true;
        return false;
    }
    if (book_.isEmpty()) {
        window_.SelectStatusNode();
        Log(QStringLiteral(
            "<font color=\"clRed\"><B>Error: No valid addresses in address book.</B>"));
        lastPassHadErrors_ = true;
        return false;
    }
    index_ = AddressIndex(book_);
    return true;
}

void ScreeningEngine::BeginPass() {
    if (window_.AutoMode()) {
        window_.StartTrayAnimation();
        UpdateTrayTip(TrayTipMode::Checking);
    }
    window_.SelectStatusNode();
    window_.SetAddAccountEnabled(false);
    window_.SetDeleteAccountEnabled(false);
    window_.SetTreeEnabled(false);
    window_.ClearStatusLines();
    window_.SetDateLabel(StatusDate());
    state_.ErrorFlag = false;
    state_.AbortRequested = false;
    window_.SetAbortEnabled(true);
}

// Screens one active account; false when the pass must not go on to the next one.
bool ScreeningEngine::ScreenAccount(Account& account) {
    lists_.Clear();
    pending_.Clear();
    replyBody_ = BuildReplyBody(account);
    codeWords_ = SplitJoined(account.CodeWords);

    if (OpenPop3Session(account) && pop3_.MsgCount() > 0) {
        const int count = pop3_.MsgCount();
        FetchHeaders(count);
        if (state_.ErrorFlag) {
            ReportError();
        } else {
            DecideMessages(account, count);
        }
    }
    QuitPop3();
    if (state_.AbortRequested) {
        return false;
    }
    if (!account.Hints.isEmpty()) {
        RunReplyPhase(account);
        if (state_.AbortRequested) {
            return false;
        }
    }
    return !state_.ErrorFlag;
}

void ScreeningEngine::FetchHeaders(int count) {
    WriteStatus(QStringLiteral("Retrieving %1 header(s)..").arg(count), false, true);
    state_.MessageNumber = 1;
    window_.SetStatusBarPosition(0);
    do {
        WriteStatus(
            QStringLiteral("Retrieving header %1 of %2").arg(state_.MessageNumber).arg(count), true,
            true);
        pop3_.SetMsgLines(0);
        pop3_.SetMsgNum(state_.MessageNumber);
        state_.HeaderLines.clear();
        state_.InMessage = false;
        PopRequest(QStringLiteral("getting header"), pop3Top, [this] { pop3_.Top(); });
        AppendHeaderValues(state_.HeaderLines, lists_);
        ++state_.MessageNumber;
        window_.SetStatusBarPosition(Percent(state_.MessageNumber, count));
    } while (!state_.ErrorFlag && state_.MessageNumber <= count);
}

void ScreeningEngine::DecideMessages(const Account& account, int count) {
    WriteStatus(QStringLiteral("Checking %1 message(s)..").arg(count), false, true);
    window_.SetStatusBarPosition(0);
    for (int i = 0; i < count && !state_.AbortRequested; ++i) {
        WriteStatus(QStringLiteral("Checking message %1 of %2").arg(i + 1).arg(count), true, true);
        if (DecideMessage(lists_, i, index_, codeWords_)) {
            ++counters_.WaitingCount;
        } else {
            WriteStatus(QStringLiteral("Deleting message %1").arg(i + 1), true, true);
            pop3_.SetMsgNum(i + 1);
            PopRequest(QStringLiteral("deleting a message"), pop3Dele, [this] { pop3_.Dele(); });
            if (state_.ErrorFlag) {
                ReportError();
                break;
            }
            ++counters_.DeletedCount;
            const QString& replyTo = lists_.ReplyToList[i];
            // An address with a line break or another control character would corrupt the
            // reply's SMTP dialogue; such a sender gets no reply.
            if (IsValidAddress(replyTo) && IsSafeReplyAddress(replyTo) &&
                !account.Hints.isEmpty()) {
                pending_.Add(replyTo);
            }
        }
        window_.SetStatusBarPosition(Percent(i + 1, count));
    }
}

void ScreeningEngine::FinishPass() {
    const bool automatic = window_.AutoMode();
    if (automatic) {
        window_.StopTrayAnimation();
    }
    QString results = QStringLiteral("<font color=\"clGreen\"><B>RESULTS: ");
    if (counters_.DeletedCount + counters_.WaitingCount > 0) {
        results += QStringLiteral("%1 waiting. %2 deleted. ")
                       .arg(counters_.WaitingCount)
                       .arg(counters_.DeletedCount);
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
                       counters_.WaitingCount != counters_.LastWaitingCount && window_.AutoMode();
    if (fresh && window_.BeepOn()) {
        window_.Beep();
    }
    if (counters_.WaitingCount > 0) {
        window_.EnableLaunchMailClient();
    }
    if (fresh && window_.VisualAlertOn()) {
        window_.ShowNewMailPopup(counters_.WaitingCount);
    }
}

void ScreeningEngine::EnableAccountControls() {
    window_.SetAddAccountEnabled(true);
    window_.SetTreeEnabled(true);
    window_.SetDeleteAccountEnabled(window_.SelectedNodeIsAccount());
}

} // namespace sievra
