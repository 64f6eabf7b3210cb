#pragma once

#include "HistoryCommands.h"

namespace sievra {

// "learned [--account A] [--json]": the remembered senders, oldest first.
int ListLearned(HistoryContext& c, const QStringList& args);
// "forget ADDRESS [--account A]".
int ForgetLearned(HistoryContext& c, const QStringList& args);
// "allow ADDRESS": the remembered sender becomes an allowed sender of every account.
int AllowLearned(HistoryContext& c, const QStringList& args);

} // namespace sievra
