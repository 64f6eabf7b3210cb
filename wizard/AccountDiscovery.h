#pragma once

#include "WizardAccount.h"

#include <QString>

namespace sievra {

class PrefsFile;

// Offers the POP3 accounts of the user's default Thunderbird profile (read only): the
// default account first, then the others in Thunderbird's order, all checked; then
// unchecked placeholders numbered after the largest account number (after 1000 when no
// account was found) until the list holds 13 entries. Missing or unreadable files are silent.
void DiscoverAccounts(const QString& home, AccountList& accounts);

// The same over preferences already read; nothing means no profile was found.
void AddDiscoveredAccounts(const PrefsFile* prefs, AccountList& accounts);

// The key name of a Thunderbird account id "accountN": N with zeros to eight digits;
// "" for any other id.
QString KeyNameOfAccountId(const QString& accountId);

} // namespace sievra
