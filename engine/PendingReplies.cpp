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

bool IsSafeReplyAddress(const QString& address) {
    return std::none_of(address.cbegin(), address.cend(),
                        [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

} // namespace sievra
