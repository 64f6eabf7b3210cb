// Senders learned from code words: loaded per account, touched when they write again,
// learned when a stranger's message is kept by its code word, forgotten after a quiet year.
#include "ScreeningEngine.h"
#include "engine/EngineWindow.h"
#include "engine/PlainMailbox.h"
#include "engine/SenderLearning.h"
#include "history/HistoryDatabase.h"
#include "history/HistoryError.h"
#include "mail/HeaderText.h"
#include "mail/MailAddress.h"
#include "mail/MailDate.h"
#include "markup/StatusMarkup.h"

namespace sievra {

LearnedSenders* ScreeningEngine::Learned() {
    if (learned_) {
        return learned_.get();
    }
    try {
        learnedDb_ = std::make_unique<HistoryDatabase>(historyPath_);
        learned_ = std::make_unique<LearnedSenders>(*learnedDb_, clock_);
        historyProblem_.clear();
    } catch (const HistoryError& error) {
        learned_.reset();
        learnedDb_.reset();
        historyProblem_ = error.Message();
    }
    return learned_.get();
}

// Once per pass, before any account: a sender quiet for the set days needs a code word again.
// The file is opened anew, as the pass's own opening may have set a damaged one aside.
void ScreeningEngine::ForgetUnseenSenders() {
    learned_.reset();
    learnedDb_.reset();
    LearnedSenders* learned = Learned();
    // A preview changes nothing that lasts.
    if (learned == nullptr || options_.PreviewOnly) {
        return;
    }
    try {
        for (const LearnedSender& sender : learned->ForgetUnseen(options_.LearnedSenderDays)) {
            Log(QStringLiteral("Forgot %1: nothing from them in %2 days.")
                    .arg(ShownAddress(sender.Address))
                    .arg(options_.LearnedSenderDays));
        }
    } catch (const HistoryError& error) {
        Complain(ErrorMarkup(error.Message()));
    }
}

// False when the account remembers senders but they cannot be read: it is not screened then,
// since every learned sender's mail would be deleted.
bool ScreeningEngine::LoadLearned(const Account& account) {
    learnedIndex_ = AddressIndex();
    learnedAddresses_.clear();
    if (!account.RememberCodeWordSenders) {
        return true;
    }
    LearnedSenders* learned = Learned();
    try {
        if (learned != nullptr) {
            learnedAddresses_ = learned->Addresses(account.KeyName);
            learnedIndex_ = AddressIndex(learnedAddresses_);
            return true;
        }
    } catch (const HistoryError& error) {
        historyProblem_ = error.Message();
    }
    Complain(ErrorMarkup(QStringLiteral("Account \"%1\" skipped: its learned senders cannot be "
                                        "read. %2")
                             .arg(account.AccountName, historyProblem_)));
    return false;
}

void ScreeningEngine::NoteAcceptance(const Account& account, Verdict verdict, qsizetype i) {
    if (learned_ == nullptr || !account.RememberCodeWordSenders || options_.PreviewOnly) {
        return;
    }
    try {
        if (verdict == Verdict::LearnedSender && i < lists_.FieldsList.size()) {
            // Whichever form of the From address matched, its entry is the one touched.
            const MessageFields& fields = lists_.FieldsList.at(i);
            const QDateTime written = ParseMailDate(fields.Date);
            learned_->Seen(account.KeyName, lists_.FromList.at(i), written);
            for (const MailAddress& from : ParseAddressList(fields.From)) {
                learned_->Seen(account.KeyName, from.Address, written);
            }
        } else if (verdict == Verdict::CodeWord) {
            LearnSender(account, i);
        }
    } catch (const HistoryError& error) {
        Complain(ErrorMarkup(error.Message()));
    }
}

void ScreeningEngine::LearnSender(const Account& account, qsizetype i) {
    if (i >= lists_.FieldsList.size()) {
        return; // the header reader is off
    }
    const MessageFields& fields = lists_.FieldsList.at(i);
    // Kept mail is read again by every pass, so a refusal is not logged: it would repeat.
    const QString address = LearnableAddress(fields);
    if (address.isEmpty() || !LearningRefusal(fields).isEmpty()) {
        return;
    }
    if (!learned_->Learn(account.KeyName, address, DecodeHeaderText(fields.Subject), fields.Date,
                         ParseMailDate(fields.Date))) {
        return;
    }
    Log(RememberedLine(address));
    // A later message of this pass from the same sender needs no code word either.
    learnedAddresses_ = learned_->Addresses(account.KeyName);
    learnedIndex_ = AddressIndex(learnedAddresses_);
}

} // namespace sievra
