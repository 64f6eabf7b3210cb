#include "CommandWindow.h"

#include <algorithm>
#include <utility>

namespace sievra {

CommandWindow::CommandWindow(QList<QByteArray> commands, int maxCommands, qsizetype maxBytes)
    : commands_(std::move(commands))
    , maxCommands_(std::max(maxCommands, 1))
    , maxBytes_(maxBytes) {}

QByteArray CommandWindow::TakeSendable() {
    QByteArray out;
    while (sent_ < commands_.size() && Unanswered() < maxCommands_) {
        const qsizetype size = commands_.at(sent_).size() + 2;
        if (Unanswered() > 0 && bytesOut_ + size > maxBytes_) {
            break;
        }
        out += commands_.at(sent_) + "\r\n";
        bytesOut_ += size;
        ++sent_;
    }
    return out;
}

void CommandWindow::Answered() {
    if (answered_ < sent_) {
        bytesOut_ -= commands_.at(answered_).size() + 2;
        ++answered_;
    }
}

} // namespace sievra
