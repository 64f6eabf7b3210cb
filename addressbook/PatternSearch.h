#pragma once

#include <QByteArrayView>

namespace sievra {

// Offset of the k-th occurrence (1-based, overlapping ones counted) of the bytes b0 b1 b2 b3
// among the starts 0 to n - 4 of the buffer; 0 when there are fewer than k occurrences or n
// is below 4. A length n beyond the buffer is cut to the buffer.
int FindNthPattern(quint8 b0, quint8 b1, quint8 b2, quint8 b3, QByteArrayView buffer, int n, int k);

} // namespace sievra
