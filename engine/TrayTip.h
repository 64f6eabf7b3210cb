#pragma once

#include <QString>

namespace sievra {

// What the tray icon's tip says: waiting for the first pass, checking, or the results.
enum class TrayTipMode { Waiting = 0, Checking = 1, Results = 2 };

struct TrayCounts {
    int WaitingCount = 0;
    int DeletedTotal = 0;
    int ErrorCount = 0;
    // Preview is on: nothing is deleted, and the tip says so.
    bool Preview = false;
    int WouldDeleteCount = 0;
};

// The tip holds 63 characters; a longer text is cut there. Lines are separated by a carriage
// return, which desktops that show several lines in a tip break at.
constexpr qsizetype TrayTipLimit = 63;
QString ComposeTrayTip(TrayTipMode mode, const TrayCounts& counts = {});

} // namespace sievra
