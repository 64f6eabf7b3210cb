#pragma once

#include <QString>
#include <stdexcept>

namespace sievra {

// A history file that refuses a read or write. Screening goes on without the record; the
// message says which file and why, for the status line.
class HistoryError : public std::runtime_error {
public:
    explicit HistoryError(const QString& message)
        : std::runtime_error(message.toStdString())
        , message_(message) {}
    const QString& Message() const { return message_; }

private:
    QString message_;
};

} // namespace sievra
