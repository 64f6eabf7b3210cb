#pragma once

#include <QByteArrayView>
#include <vector>

namespace sievra {

// One block of the socket's send buffer: a byte array of fixed capacity with a write count and
// a read count (0 <= read <= write <= capacity). The unsent part is [read, write).
class TBuffer {
public:
    // 1514 bytes, one Ethernet frame; a capacity of 0 or less also gets this.
    static constexpr int DefaultSize = 1514;

    explicit TBuffer(int size = DefaultSize);

    // Copies as many bytes as fit after the write count; returns how many it took.
    int Write(QByteArrayView bytes);
    QByteArrayView Unsent() const;
    // Consumes n unsent bytes; when all are consumed both counts return to 0.
    void Remove(int n);
    // Changes the capacity, keeping the unsent bytes (never below their number).
    void SetSize(int size);

    int Size() const { return static_cast<int>(data_.size()); }
    int WrCount() const { return wrCount_; }
    int RdCount() const { return rdCount_; }
    bool IsEmpty() const { return rdCount_ == wrCount_; }

private:
    std::vector<char> data_;
    int wrCount_ = 0;
    int rdCount_ = 0;
};

} // namespace sievra
