#pragma once

#include "WizardAccount.h"
#include "settings/InitialGlobals.h"

#include <QString>
#include <QStringList>

namespace sievra {

class SettingsStore;

// Writes the first complete settings: the global values, one key per checked account (with
// its "Code Words" and "Hints" subkeys, created also for empty lists) and "LastID", the
// largest key name written. Accounts of the store that are not in the list stay as they are.
// All of it is one transaction: a StoreError, or a key name that is not a number, leaves the
// store as it was and is raised to the caller.
// The contact sources other than the address book file go to "Address Book 1" and on.
void WriteInitialSettings(SettingsStore& store, const AccountList& accounts, const QString& wabFile,
                          const QString& mailClient, const QStringList& addressBooks = {});

} // namespace sievra
