// Mail kept by an earlier pass under the same rules is not looked at again.
#include "ScreeningEngine.h"
#include "history/KeptMessages.h"
#include "net/SocketError.h"

#include <QCryptographicHash>

namespace sievra {

// Everything that decides whether a message is kept goes in here: a change of any of it makes
// the next pass look at every message again, so a pass gives the results a full one would. A
// new rule adds its own line.
QByteArray ScreeningEngine::KeptRulesFingerprint(const Account& account) const {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const auto part = [&](const char* name, const QByteArray& value) {
        hash.addData(QByteArray(name) + '\0' + QByteArray::number(value.size()) + '\0' + value);
    };
    // Ids are the server's: another mailbox under the same account starts afresh.
    part("mailbox", (account.Pop3Server + QLatin1Char('\0') + account.Pop3Port + QLatin1Char('\0') +
                     account.Pop3User)
                        .toUtf8());
    part("senders", accepted_.Fingerprint()); // the contact sources and the allowed senders
    part("code words", codeWords_.join(QLatin1Char('\0')).toUtf8());
    part("header reading", QByteArray::number(int(options_.Reading)));
    // A learned sender is kept without a code word; a forgotten one needs it again.
    part("learning", QByteArray::number(int(account.RememberCodeWordSenders)));
    part("learned senders", learnedAddresses_.join(QLatin1Char('\0')).toUtf8());
    // The check turns a contact's forged message into a stranger's.
    part("sender check", QByteArray::number(int(account.CheckSenderAuthentication)));
    // Restored mail is kept by its token, which only this key proves.
    part("restore key", options_.RestoreKey.toUtf8());
    return hash.result();
}

// Asks for the unique ids when the server offers them. False when the turn cannot go on; a
// server that offers UIDL and then refuses it is screened in full.
bool ScreeningEngine::FetchUniqueIds() {
    if (!pop3_.Capabilities().Uidl) {
        return true;
    }
    PopRequest(QStringLiteral("getting unique ids"), pop3Uidl, [this] { pop3_.Uidl(); });
    if (!state_.ErrorFlag) {
        return true;
    }
    if (cause_ == ErrorCause::Client && state_.ErrorCode == ProtocolErrorCode &&
        pop3_.Connected()) {
        state_.ErrorFlag = false;
        Log(QStringLiteral("The server refused its unique ids: every header is fetched."));
        return true;
    }
    ReportError();
    return false;
}

// Picks the messages whose headers this turn fetches: all of the first `count`, but those the
// server names by an id that an earlier pass kept under the same rules.
void ScreeningEngine::ChooseMessages(const Account& account, int count) {
    keptIds_.clear();
    const QHash<int, QString>& ids = pop3_.UniqueIds();
    QSet<QString> known;
    if (!ids.isEmpty()) {
        known = LoadKept(account);
    }
    // An id the server gives twice names no one message: those are always looked at.
    QHash<QString, int> uses;
    for (const QString& id : ids) {
        ++uses[id];
    }
    int skipped = 0;
    for (int n = 1; n <= count; ++n) {
        const QString id = ids.value(n);
        if (!id.isEmpty() && uses.value(id) == 1 && known.contains(id)) {
            keptIds_.insert(id);
            ++skipped;
        } else {
            toScreen_.append(n);
        }
    }
    if (skipped > 0) {
        counters_.WaitingCount += skipped;
        Log(QStringLiteral("%1 message(s) kept by an earlier pass: not checked again.")
                .arg(skipped));
    }
}

void ScreeningEngine::NoteKept(int position) {
    const QString id = pop3_.UniqueIds().value(toScreen_.at(position));
    if (!id.isEmpty()) {
        keptIds_.insert(id);
    }
}

QSet<QString> ScreeningEngine::LoadKept(const Account& account) {
    if (!historyDb_) {
        return {}; // the pass was told why the history is closed
    }
    try {
        KeptMessages cache(*historyDb_);
        return cache.Load(account.KeyName, KeptRulesFingerprint(account));
    } catch (const HistoryError& error) {
        Log(QStringLiteral("Every header is fetched: ") + error.Message());
        return {};
    }
}

// Only a turn whose decisions all ran knows what it kept; the ids of messages gone from the
// server are dropped with the rest.
void ScreeningEngine::RememberKept(const Account& account) {
    // A preview learns no sender, so what it kept is not yet what a real pass would keep.
    if (pop3_.UniqueIds().isEmpty() || state_.AbortRequested || options_.PreviewOnly ||
        !historyDb_) {
        return;
    }
    try {
        KeptMessages cache(*historyDb_);
        cache.Store(account.KeyName, KeptRulesFingerprint(account), keptIds_);
    } catch (const HistoryError& error) {
        Log(QStringLiteral("The kept messages were not remembered: ") + error.Message());
    }
}

} // namespace sievra
