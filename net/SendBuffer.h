#pragma once

#include "TBuffer.h"

#include <QByteArrayView>
#include <deque>

namespace sievra {

// The socket's queue of unsent bytes: an ordered list of TBuffer blocks of 1514 bytes. New
// bytes fill the last block and then new blocks; sending drains the first.
class SendBuffer {
public:
    void Append(QByteArrayView bytes);
    // The unsent part of the first block (empty when everything is sent).
    QByteArrayView Front() const;
    // Consumes n bytes of the first block; an emptied first block is freed when another follows.
    void Consume(int n);
    void Clear();

    bool IsEmpty() const;
    qsizetype Pending() const;
    qsizetype BlockCount() const { return static_cast<qsizetype>(blocks_.size()); }

private:
    std::deque<TBuffer> blocks_;
};

} // namespace sievra
