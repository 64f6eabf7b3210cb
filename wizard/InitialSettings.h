#pragma once

#include "WizardAccount.h"
#include "settings/InitialGlobals.h"

#include <QString>
#include <QStringList>

namespace sievra {

class SettingsStore;

// Writes the first complete settings: the global values, the contact sources other than the
// address book file ("Address Book 1" and on), one key per checked account (with
// its "Code Words" and "Hints" subkeys, created also for empty lists) and "LastID", the
// largest key name written. Accounts of the store that are not in the list stay as they are.
// All of it is one transaction: a StoreError, or a key name that is not a number, leaves the
// store as it was and is raised to the caller.
void WriteInitialSettings(SettingsStore& store, const AccountList& accounts, const QString& wabFile,
                          const QString& mailClient, const QStringList& addressBooks = {});

// Writes one ticked account and returns its key number. `fresh`: a new key, with the values
// no page shows (active, name, time-outs); otherwise only what the pages show is written and
// a session stays tested unless its connection values changed. Raises StoreError for a key
// name that is not a number.
qint32 WriteWizardAccount(SettingsStore& store, const WizardAccount& account, bool fresh);

} // namespace sievra
