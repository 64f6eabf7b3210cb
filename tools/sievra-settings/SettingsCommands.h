#pragma once

#include <QStringList>
#include <QTextStream>

namespace sievra {

class SettingsStore;

enum ExitCode { ExitOk = 0, ExitMissing = 1, ExitUsage = 2, ExitStoreError = 3 };

struct CommandContext {
    SettingsStore& Store;
    QTextStream& Out;
    QTextStream& Err;
};

// Runs one command line (without the program name) against the store.
int RunSettingsCommand(CommandContext& context, const QStringList& args);

// Whether the command only reads or changes what exists: with no store file it must not
// create one.
bool CommandOnlyChanges(const QStringList& args);

extern const char* const SettingsUsage;

} // namespace sievra
