#include "LineReceiver.h"

#include "TWSocket.h"

#include <algorithm>
#include <cstring>

namespace sievra {

LineReceiver::Status LineReceiver::ReceiveLines(TWSocket& socket, const LineHandler& onLine) {
    const int received = socket.Receive(buffer_.data() + count_, BufferSize - count_);
    if (received > 0) {
        count_ += received;
    }
    return TakeLines(onLine);
}

int LineReceiver::Feed(QByteArrayView bytes) {
    const int taken = static_cast<int>(std::min<qsizetype>(bytes.size(), BufferSize - count_));
    std::memcpy(buffer_.data() + count_, bytes.data(), static_cast<std::size_t>(taken));
    count_ += taken;
    return taken;
}

LineReceiver::Status LineReceiver::TakeLines(const LineHandler& onLine) {
    int start = 0;
    while (true) {
        const QByteArrayView pending(buffer_.data() + start, count_ - start);
        const qsizetype end = pending.indexOf(QByteArrayView("\r\n"));
        if (end < 0) {
            break;
        }
        start += static_cast<int>(end) + 2;
        onLine(QByteArray(pending.data(), end));
        if (count_ < start) {
            return Status::Ok; // the handler dropped the rest with Clear()
        }
    }
    // The rest moves to the front for the next read.
    count_ -= start;
    std::memmove(buffer_.data(), buffer_.data() + start, static_cast<std::size_t>(count_));
    if (count_ == BufferSize) {
        count_ = 0;
        return Status::LineTooLong;
    }
    return Status::Ok;
}

} // namespace sievra
