#pragma once

#include <QString>
#include <QTextStream>

namespace sievra {

class SettingsStore;

// A readable dump of part of the store that round-trips every value exactly:
//
//   [\Software\Orlent Software\Sievra]
//   "AutoRun"=int:0
//   "Subject"=text:"Your message was deleted!"
//
// Keys are written with their full path, parents before children; texts and value names are
// quoted with \" \\ \n \r \t and \xHH escapes for other control characters.

// NoPasswords leaves out the "POP3 Password" and "SMTP Password" values, so a dump can be
// shared or kept without them.
enum class DumpFilter { Everything, NoPasswords };
// Merge adds and overwrites values; Replace first empties every key the dump names, so the
// keys come back exactly as dumped (keys and values not in the dump are gone).
enum class ImportMode { Merge, Replace };

// Writes the key at path and everything below it. False when the key does not exist.
bool ExportKey(SettingsStore& store, const QString& path, QTextStream& out,
               DumpFilter filter = DumpFilter::Everything);

// Creates the keys and writes the values of a dump, all in one transaction. Raises StoreError
// with the line number for a malformed dump; nothing is written then.
void ImportDump(SettingsStore& store, QTextStream& in, ImportMode mode = ImportMode::Merge);

QString QuoteText(const QString& text);

} // namespace sievra
