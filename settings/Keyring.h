#pragma once

#include <QString>
#include <chrono>

namespace sievra {

// The desktop keyring (Secret Service: GNOME Keyring, KWallet, KeePassXC) as a few calls that
// wait for their answer, with a time-out. The keyring is asynchronous D-Bus underneath; these
// calls run a local event loop meanwhile, so they belong at start-up and in explicit commands,
// never inside a screening pass. A QCoreApplication must exist.
namespace Keyring {

enum class Outcome { Ok, NotFound, Failed };

struct Result {
    Outcome Status = Outcome::Failed;
    QString Password; // Read only
    QString Error;    // Failed only: why, as the keyring or the time-out put it
};

// Long enough for the user to answer an unlock prompt.
inline constexpr std::chrono::milliseconds DefaultTimeout{60000};

// Entries are kept under this service name, one per account and protocol.
inline const QString ServiceName = QStringLiteral("Sievra");

Result Read(const QString& entry, std::chrono::milliseconds timeout = DefaultTimeout);
Result Write(const QString& entry, const QString& password,
             std::chrono::milliseconds timeout = DefaultTimeout);
// Removing an entry that is not there counts as done.
Result Remove(const QString& entry, std::chrono::milliseconds timeout = DefaultTimeout);
// Whether a keyring answers at all: a look-up that finds nothing is an answer.
bool Answers(std::chrono::milliseconds timeout = std::chrono::milliseconds{5000});

} // namespace Keyring

} // namespace sievra
