// Arbitrary header lines: cutting values out of them and deciding on them must never fail,
// and the results must keep the promises the engine relies on.
#include "engine/AcceptanceRules.h"
#include "settings/JoinedList.h"

#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

using namespace sievra;

namespace {

bool IsBlank(QChar c) {
    return c.unicode() <= 32;
}

void CheckValue(const QStringList& lines, const QString& name) {
    const QString value = ExtractHeaderValue(lines, name);
    if (!value.isEmpty() && (IsBlank(value.front()) || IsBlank(value.back()))) {
        std::abort();
    }
    if (!value.isEmpty() && std::none_of(lines.begin(), lines.end(), [&](const QString& line) {
            return line.contains(value);
        })) {
        std::abort();
    }
    const QString address = ExtractAngleAddress(value);
    if (!value.contains(address) || (address != value && address.contains(QLatin1Char('>')))) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = text.split(QLatin1Char('\n'));

    for (const char* name : {"From:", "Reply-to:", "Return-path:", "Subject:"}) {
        CheckValue(lines, QString::fromLatin1(name));
    }
    CheckValue(lines, lines.front().left(lines.front().size() / 2)); // any name, "" included

    // The lines double as address book and code words; the index must decide like a scan.
    MessageLists lists;
    AppendHeaderValues(lines, lists);
    if (lists.FromList.size() != 1 || lists.ReplyToList.size() != 1 ||
        lists.SubjectList.size() != 1) {
        std::abort();
    }
    const AddressIndex index(lines);
    const QStringList codeWords = SplitJoined(lines.back());
    const bool accepted = DecideMessage(lists, 0, index, codeWords);
    const QString from = lists.FromList[0];
    const bool listed = std::any_of(lines.begin(), lines.end(), [&](const QString& entry) {
        return entry.toUpper() == from.toUpper();
    });
    if (listed != index.Contains(from) || (listed && !accepted)) {
        std::abort();
    }
    return 0;
}
