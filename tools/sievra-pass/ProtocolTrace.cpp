#include "ProtocolTrace.h"

namespace sievra {

namespace {

const QString Hidden = QStringLiteral("********");

bool StartsWithWord(const QString& line, QLatin1String word) {
    return line.startsWith(word, Qt::CaseInsensitive) &&
           (line.size() == word.size() || line.at(word.size()) == QLatin1Char(' '));
}

} // namespace

QString ProtocolTrace::Mask(const QString& line) {
    if (line.startsWith(QLatin1String("< "))) {
        if (inAuth_ && !line.startsWith(QLatin1String("< 334"))) {
            inAuth_ = false;
        }
        return line;
    }
    if (!line.startsWith(QLatin1String("> "))) {
        return line;
    }
    if (StartsWithWord(line, QLatin1String("> PASS"))) {
        return QStringLiteral("> PASS ") + Hidden;
    }
    if (StartsWithWord(line, QLatin1String("> AUTH"))) {
        inAuth_ = true;
        // "AUTH LOGIN" names the mechanism only; anything after it is a credential.
        const QString mechanism = line.section(QLatin1Char(' '), 0, 2);
        return mechanism.size() < line.size() ? mechanism + QLatin1Char(' ') + Hidden : line;
    }
    return inAuth_ ? QStringLiteral("> ") + Hidden : line;
}

} // namespace sievra
