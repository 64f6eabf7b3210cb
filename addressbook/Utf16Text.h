#pragma once

#include <QByteArrayView>
#include <QString>

namespace sievra {

// The longest text the address book holds in one field, in UTF-16 code units.
inline constexpr qsizetype MaxTextUnits = 255;

// Decodes UTF-16LE bytes up to the first NUL code unit and at most MaxTextUnits code units.
// An odd last byte is not a code unit and is dropped. Every code unit is kept as it stands
// (no byte order mark is interpreted, unpaired surrogates stay).
QString DecodeUtf16Le(QByteArrayView bytes);

} // namespace sievra
