#pragma once

#include "IniDocument.h"

#include <QString>
#include <functional>
#include <stdexcept>

namespace sievra {

class QueueFileError : public std::runtime_error {
public:
    explicit QueueFileError(const QString& message)
        : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// "DeleList.ini": the addresses still owed a reply, one section per account. Every change is
// one atomic replacement of the file (temporary file, flush to disk, rename) made while an
// advisory lock is held, so a crash leaves the old or the new file and two programs changing
// it at once cannot lose each other's entries.
class ReplyQueueFile {
public:
    // $XDG_DATA_HOME/sievra/DeleList.ini, or ~/.local/share/sievra/DeleList.ini.
    static QString DefaultPath();

    explicit ReplyQueueFile(QString path = DefaultPath());

    const QString& Path() const { return path_; }

    // The file as it is now; a missing file reads as empty. Raises QueueFileError when the
    // file exists but cannot be read.
    IniDocument Read() const;
    // Reads, changes and writes back the file in one locked, atomic step. Raises
    // QueueFileError when the file cannot be read or written; the file is then unchanged.
    void Update(const std::function<void(IniDocument&)>& change);

private:
    void Write(const IniDocument& doc);

    QString path_;
};

} // namespace sievra
