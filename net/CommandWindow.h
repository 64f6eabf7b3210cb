#pragma once

#include <QByteArray>
#include <QList>

namespace sievra {

// Commands sent ahead of their answers (RFC 2449 PIPELINING for POP3, RFC 2920 for SMTP), at
// most MaxCommands of them and MaxBytes of command text unanswered at any time. The server
// reads the commands only as fast as it writes the answers; with the window bounded, its
// receive buffer never fills while it waits for us to read, so neither side can block.
class CommandWindow {
public:
    static constexpr int DefaultMaxCommands = 64;
    static constexpr qsizetype DefaultMaxBytes = 2048;

    explicit CommandWindow(QList<QByteArray> commands, int maxCommands = DefaultMaxCommands,
                           qsizetype maxBytes = DefaultMaxBytes);

    // The commands (each with its CR LF) that may go out now, joined for one write; empty
    // when the window is full or every command is out. The first command always fits.
    QByteArray TakeSendable();
    // The oldest unanswered command got its whole answer.
    void Answered();

    // Position of the oldest unanswered command (the one the next answer belongs to).
    qsizetype Current() const { return answered_; }
    qsizetype Unanswered() const { return sent_ - answered_; }
    bool Done() const { return answered_ == commands_.size(); }

private:
    QList<QByteArray> commands_;
    int maxCommands_;
    qsizetype maxBytes_;
    qsizetype sent_ = 0;
    qsizetype answered_ = 0;
    qsizetype bytesOut_ = 0;
};

} // namespace sievra
