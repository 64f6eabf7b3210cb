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

namespace {

// Offset of the first CR LF, or -1. Looking for the LF with memchr and checking the byte before
// it costs a fraction of a general two-byte search, and it runs once per received line.
qsizetype FindCrLf(const char* data, qsizetype size) {
    const char* const end = data + size;
    for (const char* p = data; p < end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (p == nullptr) {
            return -1;
        }
        if (p > data && p[-1] == '\r') {
            return p - 1 - data;
        }
    }
    return -1;
}

} // namespace

LineReceiver::Status LineReceiver::TakeLines(const LineHandler& onLine) {
    int start = 0;
    while (true) {
        const QByteArrayView pending(buffer_.data() + start, count_ - start);
        const qsizetype end = FindCrLf(pending.data(), pending.size());
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
