#include "UpperCase.h"

#include <algorithm>

namespace sievra {

QString UpperCased(const QString& text) {
    const bool ascii =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        return text.toUpper();
    }
    QString upper(text.size(), Qt::Uninitialized);
    QChar* out = upper.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        *out++ = QChar(u >= u'a' && u <= u'z' ? static_cast<char16_t>(u - (u'a' - u'A')) : u);
    }
    return upper;
}

} // namespace sievra
