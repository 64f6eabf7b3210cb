#pragma once

#include <QString>

namespace sievra::bench {

// 100,000 contacts as one vCard file and as a Thunderbird book in folder: prints the first
// load of each and a second pass over the unchanged sources. False when a load failed.
bool RunSourceBenchmarks(const QString& folder);

} // namespace sievra::bench
