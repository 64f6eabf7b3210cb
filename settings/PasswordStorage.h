#pragma once

#include <QString>
#include <optional>

namespace sievra {

class SettingsStore;
class SettingsKey;

// Where saved mail passwords live: in the settings store in their protected form, or in the
// desktop keyring with only a flag in the store saying so. The choice is the product value
// "Password Storage"; a password keeps working from where it is until the choice moves it.
enum class PasswordPlace { Store, Keyring };
enum class PasswordKind { Pop3, Smtp };

inline const QString PasswordStorageValue = QStringLiteral("Password Storage");

// "Keyring" or "Settings Store", as stored and as the tools accept them (without case).
QString PasswordPlaceName(PasswordPlace place);
std::optional<PasswordPlace> PasswordPlaceFromName(const QString& name);

// The stored choice; without one, the keyring when a keyring answers, else the store.
PasswordPlace ChosenPasswordPlace(SettingsStore& store);

// The keyring entry of one account's password: "00000001/POP3".
QString KeyringEntry(const QString& keyName, PasswordKind kind);

// Keeps (or, for an empty password, forgets) one password of the account at `key` where the
// choice says, removing it from the other place. Raises StoreError when the keyring refuses;
// nothing has changed then.
void SavePassword(SettingsStore& store, SettingsKey& key, PasswordKind kind, const QString& plain);

// Whether any account keeps a password in the keyring.
bool AnyPasswordInKeyring(SettingsStore& store);

struct MoveResult {
    bool Ok = false;
    int Moved = 0;
    QString Error;   // why nothing moved
    QString Warning; // moved, but an old keyring entry could not be removed
};

// Moves every saved password of every account to `target` and records the choice, as one
// step: when any password cannot be read or written, none moves and the choice stays.
MoveResult MovePasswords(SettingsStore& store, PasswordPlace target);

} // namespace sievra
