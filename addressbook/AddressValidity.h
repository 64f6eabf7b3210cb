#pragma once

#include <QString>

namespace sievra {

// The plausibility test every address from the address book and every reply address passes:
// at least one character before the only "@", and a "." somewhere after the character that
// follows the "@". Nothing else is checked.
bool IsValidAddress(const QString& text);

} // namespace sievra
