#include "ReplyLines.h"

namespace sievra {

QStringList LinesToSave(QStringList lines) {
    while (lines.size() > 1 && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

} // namespace sievra
