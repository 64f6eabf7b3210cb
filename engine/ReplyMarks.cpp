#include "ReplyMarks.h"

#include <algorithm>

namespace sievra {

namespace {
// Leaves room for "In-Reply-To: " within the 998 characters of a header line (RFC 5322).
constexpr qsizetype MaxMessageId = 900;
} // namespace

bool IsUsableMessageId(const QString& messageId) {
    if (messageId.size() < 3 || messageId.size() > MaxMessageId ||
        !messageId.startsWith(QLatin1Char('<')) || !messageId.endsWith(QLatin1Char('>'))) {
        return false;
    }
    const QStringView inner = QStringView(messageId).mid(1, messageId.size() - 2);
    return std::all_of(inner.begin(), inner.end(), [](QChar c) {
        return c.unicode() > 32 && c.unicode() < 127 && c != QLatin1Char('<') &&
               c != QLatin1Char('>');
    });
}

QStringList ReplyMarkLines(const QString& messageId) {
    QStringList lines = {QStringLiteral("Auto-Submitted: auto-replied")};
    if (IsUsableMessageId(messageId)) {
        lines.append(QStringLiteral("In-Reply-To: ") + messageId);
        lines.append(QStringLiteral("References: ") + messageId);
    }
    lines.append(QStringLiteral("X-Auto-Response-Suppress: All"));
    return lines;
}

} // namespace sievra
