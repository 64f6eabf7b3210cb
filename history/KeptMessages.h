#pragma once

#include "history/HistoryDatabase.h"

#include <QByteArray>
#include <QSet>
#include <QString>

namespace sievra {

// Per account, the unique ids of the messages a pass kept and a fingerprint of the rules that
// kept them. A later pass under the same rules need not look at those messages again. It is
// only a cache: a missing or unreadable one means a full pass, never a different result.
class KeptMessages {
public:
    explicit KeptMessages(HistoryDatabase& db);

    // The ids the account kept under these rules; empty when it kept none or the rules differ.
    QSet<QString> Load(const QString& account, const QByteArray& fingerprint);
    // Replaces what the account remembers, in one transaction: ids of mail no longer on the
    // server go.
    void Store(const QString& account, const QByteArray& fingerprint, const QSet<QString>& ids);

private:
    HistoryDatabase& db_;
};

} // namespace sievra
