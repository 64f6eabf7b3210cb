#include "PendingReplies.h"

#include <algorithm>

namespace sievra {

PendingReplies::PendingReplies() {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

bool PendingReplies::Add(const QString& address) {
    const auto less = [this](const QString& a, const QString& b) {
        return collator_.compare(a, b) < 0;
    };
    const auto at = std::lower_bound(items_.begin(), items_.end(), address, less);
    if (at != items_.end() && collator_.compare(*at, address) == 0) {
        return false;
    }
    items_.insert(at, address);
    return true;
}

void PendingReplies::AddAll(const QStringList& addresses) {
    QStringList all = items_ + addresses;
    // Stable, so of equal addresses the one listed first (the one added first) stays.
    std::stable_sort(all.begin(), all.end(), [this](const QString& a, const QString& b) {
        return collator_.compare(a, b) < 0;
    });
    items_.clear();
    items_.reserve(all.size());
    for (const QString& address : all) {
        if (items_.isEmpty() || collator_.compare(items_.last(), address) != 0) {
            items_.append(address);
        }
    }
}

} // namespace sievra
