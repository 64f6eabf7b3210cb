// The reply phase: senders of deleted messages are mailed the account's hints. Addresses not
// yet served wait in the queue file for the account's next pass.
#include "ScreeningEngine.h"
#include "engine/EngineWindow.h"
#include "engine/HeaderValues.h"
#include "engine/ReplyRefusal.h"
#include "net/MimeText.h"
#include "net/SmtpReply.h"
#include "settings/JoinedList.h"

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

void ScreeningEngine::RunReplyPhase(const Account& account) {
    queueWritable_ = true;
    if (!BackUpReplies(account) || pending_.IsEmpty()) {
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
// either list. False when the file could not be read (the entries then stay where they are).
bool ScreeningEngine::BackUpReplies(const Account& account) {
    const QString section = account.KeyName;
    QStringList restored;
    deferrals_ = {};
    deferralsChanged_ = false;
    try {
        queue_.Update([&](IniDocument& doc) {
            restored = doc.ReadSection(section);
            deferrals_.Load(doc, section);
            for (const QString& entry : restored) {
                const QString address = AddressOf(entry);
                if (entry.contains(QLatin1Char('=')) && IsSafeReplyAddress(address)) {
                    pending_.Add(address);
                }
            }
            doc.EraseSection(section);
            for (qsizetype i = 0; i < pending_.Size(); ++i) {
                doc.WriteEntry(section, QString::number(i), pending_.Items()[i]);
            }
        });
    } catch (const QueueFileError& error) {
        Complain(QueueErrorLine(error.Message()));
        queueWritable_ = false;
        // The new addresses are still worth a try; old ones stay in the file untouched.
        return !pending_.IsEmpty();
    }
    if (!restored.isEmpty()) {
        Log(QStringLiteral("Restoring %1 addresses..").arg(restored.size()));
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
    smtp_.SetHdrFrom(MailboxText(account.SmtpDisplayName, account.SmtpAddress));
}

void ScreeningEngine::SendReplies(const Account& account) {
    SetReplyFields(account);
    served_.clear();
    sinceFlush_.start();
    const QStringList addresses = pending_.Items();
    const int count = static_cast<int>(addresses.size());
    WriteStatus(QStringLiteral("Sending %1 message(s)..").arg(count), false, true);
    window_.SetStatusBarPosition(0);
    lastRefusal_.clear();
    sameRefusals_ = 0;
    for (int i = 0; i < count && !state_.AbortRequested; ++i) {
        WriteStatus(QStringLiteral("Sending message %1 of %2").arg(i + 1).arg(count), true, true);
        const QString& address = addresses[i];
        if (!IsAscii(address) && !smtp_.Extensions().SmtpUtf8) {
            DropReply(i, address,
                      QStringLiteral("the server takes no address outside ASCII (no SMTPUTF8)"));
            continue;
        }
        smtp_.SetRcptName({address});
        smtp_.SetHdrTo(address);
        SmtpRequestOf(QStringLiteral("sending mail"), SmtpRequest::Mail, [this] { smtp_.Mail(); });
        window_.SetStatusBarPosition((i + 1) * 100 / count);
        if (state_.ErrorFlag) {
            if (!TakeRefusal(i, address)) {
                ReportError();
                break;
            }
        } else {
            sameRefusals_ = 0;
            deferrals_.Forget(address);
            served_.append({i, address});
        }
        if (sinceFlush_.elapsed() >= ServedFlushMs) {
            ForgetServedReplies(account);
        }
    }
    ForgetServedReplies(account);
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
    deferrals_.Forget(address);
    deferralsChanged_ = true;
    served_.append({index, address});
}

// Removes served addresses from the file. Rewriting the file safely after every reply would
// cost more than the reply itself, so the served ones are removed together at most every
// quarter second and when sending ends: a crash in between can only send a reply twice,
// never lose one. Another program may have rewritten the section meanwhile, so an entry is
// found by its address when its key holds another one.
void ScreeningEngine::ForgetServedReplies(const Account& account) {
    sinceFlush_.restart();
    if ((served_.isEmpty() && !deferralsChanged_) || !queueWritable_) {
        served_.clear();
        return;
    }
    const QString section = account.KeyName;
    try {
        queue_.Update([&](IniDocument& doc) {
            for (const auto& [key, address] : served_) {
                ForgetEntry(doc, section, key, address);
            }
            if (deferralsChanged_) {
                deferrals_.Store(doc, section);
            }
        });
        deferralsChanged_ = false;
    } catch (const QueueFileError& error) {
        Complain(QueueErrorLine(error.Message()));
        queueWritable_ = false;
    }
    served_.clear();
}

void ScreeningEngine::ForgetEntry(IniDocument& doc, const QString& section, int key,
                                  const QString& address) {
    const QString keyText = QString::number(key);
    if (doc.ReadEntry(section, keyText).compare(address, Qt::CaseInsensitive) == 0) {
        doc.DeleteEntry(section, keyText);
        return;
    }
    for (const QString& entry : doc.ReadSection(section)) {
        if (entry.contains(QLatin1Char('=')) &&
            AddressOf(entry).compare(address, Qt::CaseInsensitive) == 0) {
            doc.DeleteEntry(section, entry.left(entry.indexOf(QLatin1Char('='))).trimmed());
            return;
        }
    }
}

} // namespace sievra
