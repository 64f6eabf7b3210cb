#pragma once

#include <QStringList>
#include <QTextStream>
#include <functional>

namespace sievra {

class DecisionHistory;
class LearnedSenders;
class QuarantineStore;
class SettingsStore;

// Exit status, as sievra-settings gives it.
enum HistoryExit {
    HistoryOk = 0,
    HistoryMissing = 1,
    HistoryUsage = 2,
    HistoryFileError = 3,
    HistoryNotRestored = 4
};

extern const char* const HistoryUsageText;

struct HistoryContext {
    DecisionHistory& History;
    QuarantineStore& Quarantine;
    LearnedSenders& Learned;
    // Opened only by the commands that need the settings (allow, purge); null when there are
    // none yet.
    SettingsStore* Store;
    QTextStream& Out;
    QTextStream& Err;
    // Sends entry ID's copy back to its mailbox and prints the result line; returns the exit
    // status. The program supplies it (it needs the accounts and a mail session).
    std::function<int(qint64 id)> Restore;
};

int RunHistoryCommand(HistoryContext& context, const QStringList& args);

// A wrong command line; RunHistoryCommand prints it with the pointer to --help.
struct Usage {
    QString Message;
};

// A key name, an account's number or its name, as sievra-settings takes them.
QString AccountKeyFor(SettingsStore* store, const QString& given);

// Rows in columns two blanks apart; the first row is the heading.
void PrintAligned(QTextStream& out, const QList<QStringList>& table);

} // namespace sievra
