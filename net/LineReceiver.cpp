#include "LineReceiver.h"

#include "Transport.h"

#include <algorithm>
#include <cstring>

namespace sievra {

LineReceiver::Status LineReceiver::ReceiveLines(Transport& socket, const LineHandler& onLine) {
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

// Drops bytes up to and including the CR LF that ends the line being cut; false while it
// has not come yet. A CR at the end stays, as it may begin that CR LF.
bool LineReceiver::SkipRestOfLongLine() {
    const qsizetype end = FindCrLf(buffer_.data(), count_);
    if (end < 0) {
        const bool cr = count_ > 0 && buffer_[static_cast<std::size_t>(count_ - 1)] == '\r';
        buffer_[0] = '\r';
        count_ = cr ? 1 : 0;
        return false;
    }
    const int rest = count_ - static_cast<int>(end) - 2;
    std::memmove(buffer_.data(), buffer_.data() + end + 2, static_cast<std::size_t>(rest));
    count_ = rest;
    skipping_ = false;
    return true;
}

LineReceiver::Status LineReceiver::CutLongLine(const LineHandler& onLine) {
    const bool cr = buffer_[BufferSize - 1] == '\r';
    skipping_ = true;
    onLine(QByteArray(buffer_.data(), cr ? BufferSize - 1 : BufferSize));
    if (count_ == BufferSize) { // unless the handler dropped everything with Clear()
        buffer_[0] = '\r';
        count_ = cr ? 1 : 0;
    }
    return Status::Ok;
}

LineReceiver::Status LineReceiver::TakeLines(const LineHandler& onLine) {
    if (skipping_ && !SkipRestOfLongLine()) {
        return Status::Ok;
    }
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
        if (cutLongLines_) {
            return CutLongLine(onLine);
        }
        count_ = 0;
        return Status::LineTooLong;
    }
    return Status::Ok;
}

} // namespace sievra
