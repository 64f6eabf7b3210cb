#include "AddressValidity.h"

namespace sievra {

bool IsValidAddress(const QString& text) {
    const qsizetype at = text.indexOf(QLatin1Char('@'));
    if (at < 1) {
        return false;
    }
    if (text.indexOf(QLatin1Char('.'), at + 2) < 0) {
        return false;
    }
    return text.lastIndexOf(QLatin1Char('@')) == at;
}

} // namespace sievra
