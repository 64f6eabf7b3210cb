#pragma once

#include <QString>
#include <stdexcept>
#include <string>

namespace sievra {

// A failure of the settings store itself (file damaged, disk full, key missing for a list
// write). Its message names the file, so the user knows what to recover.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString& message)
        : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

} // namespace sievra
