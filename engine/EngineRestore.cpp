// Restore: a kept copy of a deleted message goes back to its account's mailbox.
#include "ScreeningEngine.h"
#include "history/RestoreToken.h"
#include "history/RestoredMessage.h"
#include "net/SmtpHeader.h"
#include "settings/GlobalSettings.h"
#include "settings/SettingsStore.h"
#include "settings/StoreError.h"
#include "settings/StoreLayout.h"

namespace sievra {

namespace {

using Outcome = ScreeningEngine::RestoreOutcome;

Outcome Refusal(const QString& line) {
    return Outcome{Outcome::Refused, line};
}

QString DomainOf(const QString& address) {
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    return at < 0 ? QStringLiteral("localhost") : address.mid(at + 1).remove(QLatin1Char('>'));
}

} // namespace

ScreeningEngine::RestoreOutcome ScreeningEngine::RestoreMessage(qint64 id) {
    if (passRunning_) {
        return Refusal(QStringLiteral("A pass is running; restore when it has ended."));
    }
    std::optional<DecisionRecord> record;
    QByteArray copy;
    try {
        HistoryDatabase db(historyPath_);
        DecisionHistory history(db);
        record = history.Find(id);
        if (!record) {
            return Outcome{Outcome::NoSuchEntry, QStringLiteral("No history entry %1.").arg(id)};
        }
        if (record->Copy == CopyKind::None) {
            return Refusal(QStringLiteral("Entry %1 has no kept copy to restore.").arg(id));
        }
        copy = quarantine_.Read(record->CopyPath);
        if (record->Copy == CopyKind::HeaderOnly || IsHeaderOnlyCopy(copy)) {
            return Refusal(QStringLiteral("Entry %1 was over the size limit and kept as its "
                                          "header only: it cannot be restored.")
                               .arg(id));
        }
    } catch (const HistoryError& error) {
        return Refusal(error.Message());
    }
    Account* account = nullptr;
    for (Account* candidate : window_.Accounts()) {
        if (candidate->KeyName == record->Account) {
            account = candidate;
        }
    }
    if (account == nullptr || account->SmtpAddress.trimmed().isEmpty()) {
        return Refusal(QStringLiteral("Entry %1: its account \"%2\" no longer exists or has no "
                                      "e-mail address.")
                           .arg(id)
                           .arg(record->AccountName));
    }
    QString problem;
    const QString key = RestoreKeyForSending(problem);
    if (key.isEmpty()) {
        return Refusal(problem);
    }
    const QString address = account->SmtpAddress.trimmed();
    const ResentFields fields{QDateTime::currentDateTimeUtc(), address, address,
                              NewMessageId(DomainOf(address)),
                              MakeRestoreToken(key, record->From, record->MessageId)};
    if (!SendRestored(*account, RestoredMessage(copy, fields))) {
        QString why = state_.ServerSaid.isEmpty() ? smtp_.ErrorMessage() : state_.ServerSaid;
        if (why.isEmpty()) {
            why = QStringLiteral("the SMTP session failed (see the status lines)");
        }
        return Refusal(QStringLiteral("Entry %1 not restored: %2").arg(id).arg(why));
    }
    try {
        HistoryDatabase db(historyPath_);
        DecisionHistory(db).NoteRestored(id, QDateTime::currentDateTimeUtc());
    } catch (const HistoryError& error) {
        Complain(QStringLiteral("<font color=\"clRed\"><B>Error: ") + error.Message() +
                 QStringLiteral("</B>"));
    }
    return Outcome{Outcome::Restored,
                   QStringLiteral("Entry %1 restored to %2.").arg(id).arg(address)};
}

// The installation's key; made and stored on the first restore, since a token nobody can check
// later would let the next pass delete the message again.
QString ScreeningEngine::RestoreKeyForSending(QString& problem) {
    const QString stored = window_.ReadPassOptions().RestoreKey;
    if (!stored.isEmpty()) {
        return stored;
    }
    if (!madeRestoreKey_.isEmpty()) {
        return madeRestoreKey_;
    }
    const QString key = NewRestoreKey();
    try {
        auto product = store_ != nullptr ? store_->OpenKey(ProductKey) : std::nullopt;
        if (product && product->WriteText(GlobalValue::RestoreKey, key)) {
            madeRestoreKey_ = key;
            return key;
        }
        problem = QStringLiteral("Cannot store the restore key: the settings are not there.");
    } catch (const StoreError& error) {
        problem = QStringLiteral("Cannot store the restore key: ") + error.Message();
    }
    return {};
}

// One SMTP session with the account's server, security, login and time-out, as replies use.
bool ScreeningEngine::SendRestored(Account& account, const QByteArray& message) {
    passRunning_ = true;
    state_.AbortRequested = false;
    state_.ErrorFlag = false;
    state_.ServerSaid.clear();
    window_.SetAbortEnabled(true);
    bool sent = false;
    if (OpenSmtpSession(account)) {
        smtp_.SetFromName(account.SmtpAddress.trimmed());
        smtp_.SetRcptName({account.SmtpAddress.trimmed()});
        Log(QStringLiteral("Restoring a message to ") + account.SmtpAddress.trimmed() +
            QStringLiteral(".."));
        sent = SmtpStep(QStringLiteral("restoring a message"), SmtpRequest::Mail,
                        [this, &message] { smtp_.MailRaw(message); });
    }
    const QString said = state_.ServerSaid;
    QuitSmtp();
    state_.ServerSaid = said;
    window_.SetAbortEnabled(false);
    passRunning_ = false;
    return sent;
}

} // namespace sievra
