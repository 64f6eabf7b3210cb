#include "PatternSearch.h"

#include <algorithm>
#include <cstring>

namespace sievra {

int FindNthPattern(quint8 b0, quint8 b1, quint8 b2, quint8 b3, QByteArrayView buffer, int n,
                   int k) {
    const qsizetype length = std::min<qsizetype>(n, buffer.size());
    if (length < 4 || k < 1) {
        return 0;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
    const auto* lastStart = bytes + length - 4;
    int found = 0;
    // memchr finds the rare first byte quickly; resuming one byte after a candidate counts
    // overlapping occurrences too.
    for (const unsigned char* at = bytes; at <= lastStart; ++at) {
        at = static_cast<const unsigned char*>(
            std::memchr(at, b0, static_cast<size_t>(lastStart - at + 1)));
        if (at == nullptr) {
            break;
        }
        if (at[1] == b1 && at[2] == b2 && at[3] == b3 && ++found == k) {
            return static_cast<int>(at - bytes);
        }
    }
    return 0;
}

} // namespace sievra
