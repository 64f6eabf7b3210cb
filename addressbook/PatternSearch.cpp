#include "PatternSearch.h"

#include <algorithm>
#include <array>

namespace sievra {

int FindNthPattern(quint8 b0, quint8 b1, quint8 b2, quint8 b3, QByteArrayView buffer, int n,
                   int k) {
    const qsizetype length = std::min<qsizetype>(n, buffer.size());
    if (length < 4 || k < 1) {
        return 0;
    }
    const std::array<char, 4> pattern = {static_cast<char>(b0), static_cast<char>(b1),
                                         static_cast<char>(b2), static_cast<char>(b3)};
    const QByteArrayView searched = buffer.first(length);
    int found = 0;
    // Resuming one byte after a hit counts overlapping occurrences too.
    for (qsizetype at = searched.indexOf(QByteArrayView(pattern.data(), 4)); at >= 0;
         at = searched.indexOf(QByteArrayView(pattern.data(), 4), at + 1)) {
        if (++found == k) {
            return static_cast<int>(at);
        }
    }
    return 0;
}

} // namespace sievra
