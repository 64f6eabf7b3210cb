#include "CrashSteps.h"

namespace sievra::test::crash {

QString Note(int step) {
    return QStringLiteral("note of step %1").arg(step);
}

QStringList CodeWords(int step) {
    QStringList words;
    for (int n = 0; n < 20 + step % 40; ++n) {
        words.append(QStringLiteral("word%1x%2").arg(step).arg(n));
    }
    return words;
}

QStringList HeaderLines(int step) {
    QStringList lines;
    for (int n = 0; n <= step % 5; ++n) {
        lines.append(QStringLiteral("line %1 of step %2").arg(n).arg(step));
    }
    return lines;
}

QString QueuedAddress(int k) {
    return QStringLiteral("sender%1@bad.example").arg(k);
}

// After step 2k - 1 the queue holds the addresses of k - 10 to k, after step 2k those of
// k - 9 to k: ten served, the newest waiting.
QStringList QueueAfter(int step) {
    const int k = (step + 1) / 2;
    const int first = step % 2 == 1 ? k - 10 : k - 9;
    QStringList addresses;
    for (int j = std::max(1, first); j <= k; ++j) {
        addresses.append(QueuedAddress(j));
    }
    return addresses;
}

} // namespace sievra::test::crash
