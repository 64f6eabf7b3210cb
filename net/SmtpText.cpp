#include "SmtpText.h"

namespace sievra {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where the piece of `line` that starts at `pos` may end, `room` bytes at most.
qsizetype PieceEnd(const QByteArray& line, qsizetype pos, qsizetype room, bool utf8) {
    if (line.size() - pos <= room) {
        return line.size();
    }
    const qsizetype limit = pos + room;
    // Readers see a line break where the cut falls; after a blank it breaks no word.
    for (qsizetype i = limit - 1; i >= pos + room / 2; --i) {
        if (IsBlank(line.at(i))) {
            return i + 1;
        }
    }
    qsizetype end = limit;
    while (utf8 && end > pos + 1 && IsUtf8Continuation(line.at(end))) {
        --end;
    }
    return end;
}

} // namespace

bool HasLineBreak(QStringView text) {
    return text.contains(u'\r') || text.contains(u'\n');
}

QStringList SplitAtLineBreaks(const QString& line) {
    if (!HasLineBreak(line)) {
        return {line};
    }
    QStringList lines;
    QString current;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c != u'\r' && c != u'\n') {
            current.append(c);
            continue;
        }
        if (c == u'\r' && i + 1 < line.size() && line.at(i + 1) == u'\n') {
            ++i;
        }
        lines.append(current);
        current.clear();
    }
    lines.append(current);
    return lines;
}

QByteArrayList BodyWireLines(const QByteArray& line, bool utf8) {
    QByteArrayList pieces;
    qsizetype pos = 0;
    do {
        const bool stuffed = pos < line.size() && line.at(pos) == '.';
        const qsizetype room = SmtpMaxLineLength - (stuffed ? 1 : 0);
        const qsizetype end = PieceEnd(line, pos, room, utf8);
        QByteArray piece = line.mid(pos, end - pos);
        if (stuffed) {
            piece.prepend('.');
        }
        pieces.append(piece);
        pos = end;
    } while (pos < line.size());
    return pieces;
}

std::optional<QByteArrayList> FoldHeaderLine(const QByteArray& line) {
    if (line.size() <= SmtpMaxLineLength) {
        return QByteArrayList{line};
    }
    // Fold only inside the value, and never so that a piece holds nothing but blanks.
    const qsizetype colon = line.indexOf(':');
    qsizetype lastText = line.size() - 1;
    while (lastText >= 0 && IsBlank(line.at(lastText))) {
        --lastText;
    }
    QByteArrayList pieces;
    qsizetype start = 0;
    while (line.size() - start > SmtpMaxLineLength) {
        qsizetype firstText = start;
        while (firstText < line.size() && IsBlank(line.at(firstText))) {
            ++firstText;
        }
        qsizetype fold = -1;
        for (qsizetype i = start + SmtpMaxLineLength; i > firstText; --i) {
            if (i > colon && i < lastText && IsBlank(line.at(i))) {
                fold = i;
                break;
            }
        }
        if (fold < 0) {
            return std::nullopt;
        }
        pieces.append(line.mid(start, fold - start));
        start = fold;
    }
    pieces.append(line.mid(start));
    return pieces;
}

} // namespace sievra
