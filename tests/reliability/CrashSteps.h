#pragma once

#include <QString>
#include <QStringList>

namespace sievra::test {

// The writes of the crash test, step by step, so that the writer program and the test that
// kills it agree on what step i leaves behind. Step i (from 1) writes the store values below
// one by one, as the main window writes them through, and then makes one change of the queue
// file: an odd step backs up a new address with those already queued, an even step forgets
// one that has been served.
namespace crash {

inline const QString AccountKey = QStringLiteral("00000001");
inline const QString QueueSection = AccountKey;
// Another account's section, which no step touches.
inline const QString OtherSection = QStringLiteral("00000002");
inline const QStringList OtherAddresses = {QStringLiteral("keep1@other.example"),
                                           QStringLiteral("keep2@other.example"),
                                           QStringLiteral("keep3@other.example")};

QString Note(int step);
// A list of 20 to 59 code words, so the number of chunk values grows and shrinks.
QStringList CodeWords(int step);
// One to five reply header lines.
QStringList HeaderLines(int step);

// The address step k of the queue adds (odd steps 2k - 1).
QString QueuedAddress(int k);
// The addresses the queue section holds after step i (none before step 1).
QStringList QueueAfter(int step);

} // namespace crash

} // namespace sievra::test
