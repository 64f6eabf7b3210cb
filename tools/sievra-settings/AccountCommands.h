#pragma once

#include "SettingsCommands.h"

#include <optional>

namespace sievra {

// "account add|show|set", with named options for every account value.
int AccountCommand(CommandContext& c, const QStringList& args);

// The key name of an account given by key name, number or (unique) account name.
std::optional<QString> FindAccountKey(SettingsStore& store, const QString& given);

} // namespace sievra
