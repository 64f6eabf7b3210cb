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
    void Clear() { items_.clear(); }
    const QStringList& Items() const { return items_; }
    qsizetype Size() const { return items_.size(); }
    bool IsEmpty() const { return items_.isEmpty(); }

private:
    QCollator collator_;
    QStringList items_;
};

// True when a reply may be sent to the address at all: no control characters (CR, LF, NUL
// and the rest below 32, or DEL), which could break the SMTP dialogue or inject headers.
bool IsSafeReplyAddress(const QString& address);

} // namespace sievra
