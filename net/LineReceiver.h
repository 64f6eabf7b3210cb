#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <functional>

namespace sievra {

class Transport;

// Cuts the bytes a mail server sends into lines. LineConnection owns one and calls
// ReceiveLines each time its transport has bytes:
//
//   if (lines_.ReceiveLines(transport, [this](const QByteArray& line) { HandleLine(line); })
//       == LineReceiver::Status::LineTooLong) {
//       FailRequest(LineReceiver::LineTooLongError, LineReceiver::LineTooLongMessage());
//       transport.Close();
//   }
//
// Lines end only at CR LF (a lone CR or LF is part of the line); the handler gets the text
// before the CR LF, lines in the order they came, an empty line as an empty array. Bytes after
// the last CR LF wait for the next read. A handler that refuses the greeting closes the
// connection and calls Clear() to drop the bytes still buffered; no further line is handed
// over from this read.
//
// A line that does not fit the 4096-byte buffer (4094 bytes and more before its CR LF) could
// never complete. ReceiveLines then reports LineTooLong at once and empties the buffer; the
// client should fail the pending request with LineTooLongError (10040, "Message too long") and
// LineTooLongMessage(), and close the connection, instead of waiting for its time-out.
//
// Inside a message, though, such a line is the message's, not the server's fault, and failing
// would fail every later session too. With SetCutLongLines(true) the handler gets the first
// 4096 bytes (4095 when a CR ends them) as the line and the rest up to its CR LF is dropped.
class LineReceiver {
public:
    static constexpr int BufferSize = 4096;
    static constexpr quint16 LineTooLongError = 10040;
    static QString LineTooLongMessage() {
        return QStringLiteral("Server sent a line longer than %1 bytes").arg(BufferSize);
    }

    enum class Status { Ok, LineTooLong };
    using LineHandler = std::function<void(const QByteArray& line)>;

    // Receives into the free end of the buffer (as many bytes as fit), then hands over every
    // complete line.
    Status ReceiveLines(Transport& socket, const LineHandler& onLine);

    // The same two steps apart, for bytes from elsewhere: Feed copies what fits and returns how
    // many bytes it took.
    int Feed(QByteArrayView bytes);
    Status TakeLines(const LineHandler& onLine);

    // Drops every buffered byte (a refused greeting, a new connection).
    void Clear() {
        count_ = 0;
        skipping_ = false;
    }
    int Count() const { return count_; }
    void SetCutLongLines(bool on) { cutLongLines_ = on; }

private:
    bool SkipRestOfLongLine();
    Status CutLongLine(const LineHandler& onLine);

    std::array<char, BufferSize> buffer_{};
    int count_ = 0;
    bool cutLongLines_ = false;
    bool skipping_ = false; // dropping the rest of a line that was cut
};

} // namespace sievra
