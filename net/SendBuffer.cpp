#include "SendBuffer.h"

namespace sievra {

void SendBuffer::Append(QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        if (blocks_.empty() || blocks_.back().WrCount() == blocks_.back().Size()) {
            blocks_.emplace_back(TBuffer::DefaultSize);
        }
        bytes = bytes.sliced(blocks_.back().Write(bytes));
    }
}

QByteArrayView SendBuffer::Front() const {
    return blocks_.empty() ? QByteArrayView() : blocks_.front().Unsent();
}

void SendBuffer::Consume(int n) {
    if (blocks_.empty()) {
        return;
    }
    blocks_.front().Remove(n);
    if (blocks_.front().IsEmpty() && blocks_.size() > 1) {
        blocks_.pop_front();
    }
}

void SendBuffer::Clear() {
    blocks_.clear();
}

bool SendBuffer::IsEmpty() const {
    return Pending() == 0;
}

qsizetype SendBuffer::Pending() const {
    qsizetype total = 0;
    for (const TBuffer& block : blocks_) {
        total += block.WrCount() - block.RdCount();
    }
    return total;
}

} // namespace sievra
