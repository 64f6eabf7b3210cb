#pragma once

#include <QCollator>
#include <QStringList>

namespace sievra {

// The addresses one account turn owes a reply: sorted and without duplicates, both without
// regard to case by the user's locale rules. The form added first stays.
class PendingReplies {
public:
    PendingReplies();

    // False when an equal address is already listed.
    bool Add(const QString& address);
    // Adds many at once (a restored queue) with one sort, so a long queue costs n log n
    // rather than an insertion into the middle of the list for each address. Equal to Add
    // for each address in turn.
    void AddAll(const QStringList& addresses);
    void Clear() { items_.clear(); }
    const QStringList& Items() const { return items_; }
    qsizetype Size() const { return items_.size(); }
    bool IsEmpty() const { return items_.isEmpty(); }

private:
    QCollator collator_;
    QStringList items_;
};

} // namespace sievra
