#pragma once

#include <QDateTime>
#include <QString>

namespace sievra {

// The "Date:" header text, "Tue, 3 Sep 2024 14:05:09 +0200": English day and month names
// whatever the user's locale (mail readers parse them), the local time of `local`, and its
// offset from UTC. "+" is east of UTC; UTC itself is written "+0000".
QString SmtpDateText(const QDateTime& local);

// The same for this moment in the system's time zone, daylight saving time included.
QString SmtpDateNow();

} // namespace sievra
