#pragma once

#include <QString>
#include <vector>

namespace sievra {

// The few tags the engine's status lines carry: "<B>", "</B>", "<font color=\"clRed\">" and
// "<font color=\"clGreen\">". Anything else is text. Depends on QtCore only, so any layer
// that writes status lines can use it.
enum class StatusColor { Default, Red, Green };

struct StatusRun {
    QString Text;
    bool Bold = false;
    StatusColor Color = StatusColor::Default;

    bool operator==(const StatusRun&) const = default;
};

// A red, bold error line: "Error: " and `message`, its text escaped so it cannot carry tags.
QString ErrorMarkup(const QString& message);

// Splits a line into runs of equal style. A colour holds to the end of the line; bold and
// colour tags may come in either order.
std::vector<StatusRun> ParseStatusMarkup(const QString& line);

// The status label's plain text: cuts out everything from the first "<" through the first ">"
// while a ">" follows the first "<"; stops at the first text where that is not so.
QString StripStatusMarkup(const QString& line);

} // namespace sievra
