#include "Utf16Text.h"

#include <QtEndian>
#include <algorithm>

namespace sievra {

QString DecodeUtf16Le(QByteArrayView bytes) {
    const qsizetype units = std::min(bytes.size() / 2, MaxTextUnits);
    QString text;
    text.reserve(units);
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t unit = qFromLittleEndian<char16_t>(bytes.data() + 2 * i);
        if (unit == 0) {
            break;
        }
        text.append(QChar(unit));
    }
    return text;
}

} // namespace sievra
