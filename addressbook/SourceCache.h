#pragma once

#include "ContactSource.h"

#include <QHash>
#include <QString>
#include <vector>

namespace sievra {

// Keeps what each source gave, and reads a source again only when one of its files changed
// (path, size or modification time), so a large book costs nothing on later passes. Sources
// that failed are read again every time.
class SourceCache {
public:
    // The source's contacts, read now or kept from before (reused tells which). asWab reads
    // the file as a Windows Address Book whatever it holds.
    const SourceContacts& Load(const QString& path, bool asWab, bool& reused);
    // Drops every source not in paths.
    void KeepOnly(const QStringList& paths);

private:
    struct FileStamp {
        QString Path;
        qint64 Size = 0;
        qint64 Modified = 0;
        bool operator==(const FileStamp&) const = default;
    };
    using Signature = std::vector<FileStamp>;
    struct Entry {
        Signature Stamp;
        bool AsWab = false;
        SourceContacts Contacts;
    };
    static Signature SignatureOf(const QString& path);

    QHash<QString, Entry> entries_;
};

} // namespace sievra
