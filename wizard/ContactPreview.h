#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

// A display name longer than 30 characters is shown as its first 30 and "..".
QString ShortenDisplayName(const QString& name);

// The lines of the contact preview of an address book file: display name, a tab and the
// address, for every record whose address passes IsValidAddress, in file order. Reading
// ends silently at whatever stops it (no file, a short file, an index past its end), keeping
// the lines read until then.
QStringList ContactLines(const QString& path);

} // namespace sievra
