#include "StatusMarkup.h"

namespace sievra {

QString StripMarkup(QString text) {
    for (;;) {
        const qsizetype open = text.indexOf(QLatin1Char('<'));
        const qsizetype close = text.indexOf(QLatin1Char('>'));
        if (open < 0 || close < 0 || close < open) {
            return text;
        }
        text.remove(open, close - open + 1);
    }
}

} // namespace sievra
