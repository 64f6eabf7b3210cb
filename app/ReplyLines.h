#pragma once

#include <QStringList>

namespace sievra {

// The lines of a reply-text memo as they are saved: empty lines at the end are dropped, but
// never the first line, so a memo of only empty lines keeps one.
QStringList LinesToSave(QStringList lines);

} // namespace sievra
