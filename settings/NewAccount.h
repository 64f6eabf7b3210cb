#pragma once

#include "Account.h"

#include <optional>

namespace sievra {

class SettingsStore;

// The mail-account counter new numbers start above: "Account Name" under the account
// manager's key; 999999 when that key holds no integer under the name, 0 without the key.
qint64 MailAccountCounter(SettingsStore& store);

// Creates the next account in the store, as one change: "LastID" advanced, the account key
// with the values of a new account and its empty "Code Words" and "Hints" subkeys. Nothing
// when the product key is missing. A number whose key already exists is passed over, so an
// account is never overwritten. Raises StoreError when the file refuses the change.
std::optional<Account> CreateAccount(SettingsStore& store);

} // namespace sievra
