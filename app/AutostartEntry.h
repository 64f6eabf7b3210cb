#pragma once

#include <QString>

namespace sievra {

// "Load at startup": the per-user XDG autostart entry that starts the program when the user
// logs in, $XDG_CONFIG_HOME/autostart/sievra.desktop (~/.config/autostart by default).
QString AutostartEntryPath();

// The desktop entry that starts the program at programPath; empty when the path cannot be
// written into one (a line break or another control character in it).
QString AutostartEntryText(const QString& programPath);

// The entry that runs what the installed desktop entry at desktopEntryPath runs; empty when
// that entry has no Exec key.
QString InstalledAutostartEntryText(const QString& desktopEntryPath);

// Writes the entry (atomically): for an installed program the command of its desktop entry,
// else the program's own path. False when it could not be written.
bool WriteAutostartEntry(const QString& programPath);
// Removes the entry; true when there is none any more.
bool RemoveAutostartEntry();

} // namespace sievra
