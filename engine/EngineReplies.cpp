// The reply phase: senders of deleted messages are mailed the account's hints. Addresses not
// yet served wait in the queue file for the account's next pass.
#include "ScreeningEngine.h"
#include "engine/EngineWindow.h"
#include "engine/HeaderValues.h"
#include "engine/PlainMailbox.h"
#include "settings/JoinedList.h"

#include <QHash>

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
    QStringList body = window_.ReplyHeaderLines();
    body.append(QString());
    body.append(SplitJoined(account.Hints));
    body.append(QString());
    body.append(window_.ReplyFooterLines());
    return body;
}

// Sends what BackUpReplies left in pending_, through the account's SMTP server.
void ScreeningEngine::RunReplyPhase(Account& account) {
    if (pending_.IsEmpty()) {
        return;
    }
    state_.ErrorFlag = false;
    if (OpenSmtpSession(account)) {
        SendReplies(account);
    }
    QuitSmtp();
}

// Restores the addresses left from earlier passes, merges them with this pass's, and writes
// the merged list back under new keys: one atomic change of the file, so no crash can lose
// either list. False when the file could not be read or written (it is then unchanged).
bool ScreeningEngine::BackUpReplies(const Account& account) {
    const QString section = account.KeyName;
    qsizetype stored = 0;
    qsizetype dropped = 0;
    try {
        queue_.Update([&](IniDocument& doc) {
            const QStringList entries = doc.ReadSection(section);
            stored = entries.size();
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
    smtp_.SetHdrSubject(TrimBlanks(window_.ReplySubject()));
    smtp_.SetMailMessage(replyBody_);
    smtp_.SetFromName(QString());
    smtp_.SetHdrReplyTo(account.SmtpAddress);
    smtp_.SetHdrFrom(account.SmtpDisplayName.isEmpty()
                         ? account.SmtpAddress
                         : account.SmtpDisplayName + QStringLiteral(" <") + account.SmtpAddress +
                               QLatin1Char('>'));
}

void ScreeningEngine::SendReplies(const Account& account) {
    SetReplyFields(account);
    served_.clear();
    sinceFlush_.start();
    const QStringList addresses = pending_.Items();
    const int count = static_cast<int>(addresses.size());
    WriteStatus(QStringLiteral("Sending %1 message(s)..").arg(count), false, true);
    window_.SetStatusBarPosition(0);
    for (int i = 0; i < count && !state_.AbortRequested; ++i) {
        WriteStatus(QStringLiteral("Sending message %1 of %2").arg(i + 1).arg(count), true, true);
        smtp_.SetRcptName({addresses[i]});
        smtp_.SetHdrTo(addresses[i]);
        SmtpRequestOf(QStringLiteral("sending mail"), SmtpRequest::Mail, [this] { smtp_.Mail(); });
        window_.SetStatusBarPosition((i + 1) * 100 / count);
        // A mailbox that does not exist will never take the reply: done with it too.
        if (state_.ErrorFlag && state_.ErrorCode == 550) {
            state_.ErrorFlag = false;
            state_.ErrorCode = 0;
        }
        if (state_.ErrorFlag) {
            ReportError();
            break;
        }
        served_.append({i, addresses[i]});
        if (sinceFlush_.elapsed() >= ServedFlushMs) {
            ForgetServedReplies(account);
        }
    }
    ForgetServedReplies(account);
}

// Removes served addresses from the file. Rewriting the file safely after every reply would
// cost more than the reply itself, so the served ones are removed together at most every
// quarter second and when sending ends: a crash in between can only send a reply twice,
// never lose one.
void ScreeningEngine::ForgetServedReplies(const Account& account) {
    sinceFlush_.restart();
    if (served_.isEmpty() || !queueWritable_) {
        served_.clear();
        return;
    }
    try {
        queue_.Update([&](IniDocument& doc) { ForgetServed(doc, account.KeyName, served_); });
    } catch (const QueueFileError& error) {
        Complain(QueueErrorLine(error.Message()));
        queueWritable_ = false;
    }
    served_.clear();
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
