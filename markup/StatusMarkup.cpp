#include "StatusMarkup.h"

#include <array>

namespace sievra {

namespace {

struct Tag {
    QLatin1StringView Text;
    enum Kind { BoldOn, BoldOff, Red, Green } What;
};

constexpr std::array<Tag, 4> Tags{{
    {QLatin1StringView("<B>"), Tag::BoldOn},
    {QLatin1StringView("</B>"), Tag::BoldOff},
    {QLatin1StringView("<font color=\"clRed\">"), Tag::Red},
    {QLatin1StringView("<font color=\"clGreen\">"), Tag::Green},
}};

const Tag* TagAt(const QString& line, qsizetype pos) {
    for (const Tag& tag : Tags) {
        if (QStringView(line).sliced(pos).startsWith(tag.Text)) {
            return &tag;
        }
    }
    return nullptr;
}

} // namespace

std::vector<StatusRun> ParseStatusMarkup(const QString& line) {
    std::vector<StatusRun> runs;
    StatusRun current;
    auto flush = [&] {
        if (!current.Text.isEmpty()) {
            runs.push_back(current);
            current.Text.clear();
        }
    };
    for (qsizetype pos = 0; pos < line.size();) {
        const Tag* tag = line[pos] == QLatin1Char('<') ? TagAt(line, pos) : nullptr;
        if (tag == nullptr) {
            current.Text += line[pos];
            ++pos;
            continue;
        }
        flush();
        switch (tag->What) {
        case Tag::BoldOn:
            current.Bold = true;
            break;
        case Tag::BoldOff:
            current.Bold = false;
            break;
        case Tag::Red:
            current.Color = StatusColor::Red;
            break;
        case Tag::Green:
            current.Color = StatusColor::Green;
            break;
        }
        pos += tag->Text.size();
    }
    flush();
    return runs;
}

QString StripStatusMarkup(const QString& line) {
    QString text = line;
    for (;;) {
        const qsizetype open = text.indexOf(QLatin1Char('<'));
        const qsizetype close = text.indexOf(QLatin1Char('>'));
        if (open < 0 || close < 0 || close < open) {
            return text;
        }
        text.remove(open, close - open + 1);
    }
}

QString ErrorMarkup(const QString& message) {
    return QStringLiteral("<font color=\"clRed\"><B>Error: ") + message.toHtmlEscaped() +
           QStringLiteral("</B>");
}

} // namespace sievra
