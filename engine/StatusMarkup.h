#pragma once

#include <QString>

namespace sievra {

// The status label shows plain text: cut out everything from the first "<" through the first
// ">" while the first ">" stands after the first "<"; stop at the first text where it does not
// (so "a > b <B>" keeps its tags, and a "<" without a ">" stays).
QString StripMarkup(QString text);

} // namespace sievra
