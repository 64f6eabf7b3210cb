#include "TBuffer.h"

#include <algorithm>
#include <cstring>

namespace sievra {

namespace {
std::size_t CapacityFor(int size) {
    return static_cast<std::size_t>(size > 0 ? size : TBuffer::DefaultSize);
}
} // namespace

TBuffer::TBuffer(int size)
    : data_(CapacityFor(size)) {}

int TBuffer::Write(QByteArrayView bytes) {
    const int taken = static_cast<int>(std::min<qsizetype>(bytes.size(), Size() - wrCount_));
    if (taken > 0) {
        std::memcpy(data_.data() + wrCount_, bytes.data(), static_cast<std::size_t>(taken));
        wrCount_ += taken;
    }
    return taken;
}

QByteArrayView TBuffer::Unsent() const {
    return QByteArrayView(data_.data() + rdCount_, wrCount_ - rdCount_);
}

void TBuffer::Remove(int n) {
    rdCount_ = std::min(rdCount_ + std::max(n, 0), wrCount_);
    if (rdCount_ == wrCount_) {
        rdCount_ = 0;
        wrCount_ = 0;
    }
}

void TBuffer::SetSize(int size) {
    const int unsent = wrCount_ - rdCount_;
    std::vector<char> data(std::max(CapacityFor(size), static_cast<std::size_t>(unsent)));
    std::memcpy(data.data(), data_.data() + rdCount_, static_cast<std::size_t>(unsent));
    data_.swap(data);
    rdCount_ = 0;
    wrCount_ = unsent;
}

} // namespace sievra
