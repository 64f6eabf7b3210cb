#include "Pop3Capabilities.h"

namespace sievra {

void Pop3Capabilities::Note(QStringView line) {
    const QStringView trimmed = line.trimmed();
    const QStringView name = trimmed.left(trimmed.indexOf(QLatin1Char(' ')));
    const auto is = [&](const char* word) {
        return name.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    Pipelining = Pipelining || is("PIPELINING");
    Uidl = Uidl || is("UIDL");
    Stls = Stls || is("STLS");
}

std::optional<Pop3UniqueId> ParseUidlLine(QStringView line) {
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    if (blank <= 0) {
        return std::nullopt;
    }
    bool ok = false;
    const int number = line.left(blank).toInt(&ok);
    const QStringView id = line.mid(blank + 1);
    if (!ok || number < 1 || id.isEmpty() || id.size() > 70) {
        return std::nullopt;
    }
    for (const QChar c : id) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7E) {
            return std::nullopt;
        }
    }
    return Pop3UniqueId{number, id.toString()};
}

} // namespace sievra
