#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

class SettingsStore;

// The contact sources ("Address Book 1", ...) and the allowed senders ("Allowed Sender 1",
// ...), numbered values of the product key. Saving writes 1..n and deletes the numbers after
// n; nothing is written when the product key is missing.
QStringList LoadAddressBooks(SettingsStore& store);
void SaveAddressBooks(SettingsStore& store, const QStringList& paths);
QStringList LoadAllowedSenders(SettingsStore& store);
void SaveAllowedSenders(SettingsStore& store, const QStringList& entries);

// Appends one allowed sender unless it is listed already (case ignored). True when the list
// now holds it; false when the product key is missing.
bool AddAllowedSender(SettingsStore& store, const QString& entry);

} // namespace sievra
