#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

class SettingsStore;

// Code words and hints travel as one text in which every entry is followed by "|".

// The entries of a joined text; whatever follows the last bar is not an entry.
QStringList SplitJoined(const QString& joined);
QString JoinEntries(const QStringList& entries);
// The chunk values of a list: whole entries with their bars, a new chunk begun before an
// entry that would take the current one past 256 characters.
QStringList ChunkEntries(const QStringList& entries);

// Reads values "1", "2" ... of the account's subkey up to the first gap; "" when the subkey
// is missing.
QString LoadJoinedList(SettingsStore& store, const QString& keyName, const QString& subkey);
// Writes the chunks and deletes surplus numbered values, in one transaction; returns the
// joined text. A missing subkey raises StoreError.
QString SaveJoinedList(SettingsStore& store, const QString& keyName, const QString& subkey,
                       const QStringList& entries);

} // namespace sievra
