#pragma once

#include "Account.h"
#include "GlobalSettings.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace sievra {

class SettingsStore;
class SettingsKey;

struct LoadedSettings {
    // False when the product key is missing or holds no account.
    bool Ok = false;
    // "First Time" was set; the store value has already been reset.
    bool FirstRun = false;
    GlobalSettings Globals;
    // In store order; loading stops at an account whose password cannot be decoded.
    std::vector<Account> Accounts;
    // The decoder's message when that happened, else empty, and the account it happened in
    // (its name, or its key name when it has none), so the user knows where to look.
    QString DecodeError;
    QString DecodeErrorAccount;
};

// Reads every global value and every account, as the screening program does at start-up.
LoadedSettings LoadSettings(SettingsStore& store);

// One account from its key; raises PasswordError for a stored password that cannot be decoded.
// Passwords kept in the desktop keyring are read from it (waiting for it); when it cannot be
// reached the account's KeyringError says why.
Account LoadAccount(SettingsStore& store, const SettingsKey& key, const QString& keyName);
// The same, for several accounts in a row: after one keyring failure (kept in `keyringError`)
// the others carry it without asking the keyring again.
Account LoadAccount(SettingsStore& store, const SettingsKey& key, const QString& keyName,
                    QString& keyringError);

// "Header 1", "Header 2" ... up to the first missing number.
QStringList LoadLines(const SettingsKey& key, const QString& prefix);
// Writes prefix 1..n and deletes the numbers after n while they exist, in one transaction.
void SaveLines(SettingsStore& store, const QString& prefix, const QStringList& lines);

} // namespace sievra
