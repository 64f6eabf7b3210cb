#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace sievra {

class HistoryDatabase;

// A stranger who got through with a code word and is accepted from then on, on one account.
struct LearnedSender {
    QString Account; // the account's key name
    QString Address;
    QDateTime Learned;
    // The message that taught it: its subject (decoded) and its Date field as written.
    QString Subject;
    QString MessageDate;
    QDateTime LastSeen;
};

// The learned senders, a table of the history file. Addresses compare without regard to
// case. A file that refuses a read or write raises HistoryError, as the history does.
//
// Mail may stay on the server for weeks (a mail client set to leave it there), and every pass
// reads it again. So a sender counts as seen by the date of their message, not of the pass,
// and a forgotten sender leaves a mark that only a message written after the forgetting can
// clear: their old message with the code word must not teach them again.
class LearnedSenders {
public:
    using Clock = std::function<QDateTime()>;

    // Creates the table when it is missing. Without a clock the system's is used; tests pass
    // one to make a year go by.
    explicit LearnedSenders(HistoryDatabase& db, Clock clock = {});

    // Remembers a sender learned now from a message written at `written` (its Date field
    // `messageDate`); false when nothing changed: known already, or forgotten after the
    // message was written (or the message has no date).
    bool Learn(const QString& account, const QString& address, const QString& subject,
               const QString& messageDate, const QDateTime& written);
    // A message of the sender written at `written` was read: the time before it is forgotten
    // runs from then (never from later than now). Nothing for a message without a date.
    void Seen(const QString& account, const QString& address, const QDateTime& written);
    // The senders of one account, or of all when `account` is empty, oldest first.
    QList<LearnedSender> List(const QString& account = {});
    QStringList Addresses(const QString& account);
    // Forgets an address on one account, or on all when `account` is empty; how many entries
    // went.
    int Forget(const QString& address, const QString& account = {});
    // Removes the address everywhere, marks included: it is an allowed sender now.
    void Remove(const QString& address);
    // Forgets every sender not seen for `days` days, and drops the marks of senders forgotten
    // as long ago; what was forgotten.
    QList<LearnedSender> ForgetUnseen(int days);

    QDateTime Now() const { return clock_(); }

private:
    HistoryDatabase& db_;
    Clock clock_;
};

} // namespace sievra
