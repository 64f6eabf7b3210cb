#pragma once

#include <QString>

namespace sievra {

// QString::toUpper, with a quick path for plain ASCII text (most addresses and subjects):
// there the Unicode mapping is just a-z to A-Z, and skipping the general case mapper makes
// indexing a large address book several times faster.
QString UpperCased(const QString& text);

} // namespace sievra
