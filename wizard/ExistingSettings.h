#pragma once

#include "WizardAccount.h"

#include <QString>
#include <QStringList>

namespace sievra {

class SettingsStore;

// What a wizard run over existing settings starts from.
struct ExistingSettings {
    bool Found = false;
    QString WabFile;
    QStringList AddressBooks; // the other contact sources
    QString EmailClient;
    // Key names of the accounts the store holds and the wizard lists (ticked).
    QStringList AccountKeys;
};

// Reads the stored settings without writing anything (the screening program's loader resets
// "First Time"), and puts each stored account into the list, ticked, with its stored values:
// a discovered entry of the same key takes them, others are appended. An account whose
// password cannot be decoded is left out, and so left alone by Save.
ExistingSettings MergeExistingSettings(SettingsStore& store, AccountList& accounts);

// Save over existing settings: the address book, the mail client and the fields the pages
// show for each ticked account, and the contact sources checked on page 2; accounts of `existing`
// that were unticked are removed. The interval, the notifications, the reply text and every value
// no page shows stay as stored.
void WriteChangedSettings(SettingsStore& store, const AccountList& accounts,
                          const ExistingSettings& existing, const QString& wabFile,
                          const QString& mailClient, const QStringList& addressBooks);

} // namespace sievra
