#include "Utf16Text.h"

#include <QtEndian>
#include <algorithm>

namespace sievra {

QString DecodeUtf16Le(QByteArrayView bytes) {
    const qsizetype limit = std::min(bytes.size() / 2, MaxTextUnits);
    const char* data = bytes.data();
    qsizetype units = 0;
    while (units < limit && (data[2 * units] != 0 || data[2 * units + 1] != 0)) {
        ++units;
    }
    QString text(units, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < units; ++i) {
        out[i] = QChar(qFromLittleEndian<char16_t>(data + 2 * i));
    }
    return text;
}

} // namespace sievra
