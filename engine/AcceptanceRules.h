#pragma once

#include "engine/AddressIndex.h"
#include "engine/HeaderValues.h"

#include <QString>
#include <QStringList>

namespace sievra {

// A message is accepted when its From address is in the address book (case ignored), or else
// when its Subject holds one of the code words anywhere (case ignored). Empty code words never
// match.
bool IsAccepted(const QString& from, const QString& subject, const AddressIndex& addressBook,
                const QStringList& codeWordList);

// Decides the message at position i: cuts its From and reply address down to their
// angle-bracket part in the lists (the reply address is then ready for the reply), and applies
// IsAccepted to the From address and the Subject.
bool DecideMessage(MessageLists& lists, qsizetype i, const AddressIndex& addressBook,
                   const QStringList& codeWordList);

} // namespace sievra
