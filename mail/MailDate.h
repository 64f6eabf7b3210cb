#pragma once

#include <QDateTime>
#include <QString>

namespace sievra {

// The time a Date field gives (RFC 5322 3.3, with the obsolete forms mail still carries: zone
// names, comments, two-digit years), in UTC; invalid when it names no time.
QDateTime ParseMailDate(const QString& value);

} // namespace sievra
