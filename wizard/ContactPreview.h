#pragma once

#include "addressbook/ContactSource.h"

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

// The preview lines of one source: display name, a tab, the address, a tab and the source's
// label, in the source's order.
QStringList SourceContactLines(const SourceContacts& source);

} // namespace sievra
