#include "SmtpDate.h"

#include <array>
#include <cstdlib>

namespace sievra {

namespace {

// Fixed tables, not QLocale: a German or French desktop must still write "Mon" and "Mar".
constexpr std::array<const char*, 7> DayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<const char*, 12> MonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString SmtpDateText(const QDateTime& local) {
    const QDate date = local.date();
    const QTime time = local.time();
    // "-0000" would mean the zone is unknown (RFC 5322 3.3); UTC itself is "+0000".
    const int offsetMinutes = local.offsetFromUtc() / 60;
    const int bias = std::abs(offsetMinutes);
    return QStringLiteral("%1, %2 %3 %4 %5:%6:%7 %8%9%10")
        .arg(QLatin1String(DayNames.at(static_cast<std::size_t>(date.dayOfWeek() - 1))))
        .arg(date.day())
        .arg(QLatin1String(MonthNames.at(static_cast<std::size_t>(date.month() - 1))))
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(TwoDigits(time.hour()), TwoDigits(time.minute()), TwoDigits(time.second()),
             offsetMinutes >= 0 ? QStringLiteral("+") : QStringLiteral("-"), TwoDigits(bias / 60),
             TwoDigits(bias % 60));
}

QString SmtpDateNow() {
    return SmtpDateText(QDateTime::currentDateTime());
}

} // namespace sievra
