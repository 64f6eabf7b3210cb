#include "SourceCache.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace sievra {

namespace {

void Stamp(std::vector<QFileInfo>& infos, const QString& path, bool unlessEmpty = false) {
    QFileInfo info(path);
    if (info.exists() && !(unlessEmpty && info.size() == 0)) {
        infos.push_back(info);
    }
}

} // namespace

// A database in write-ahead mode takes new contacts into its -wal file long before the main
// file changes; a folder's cards change without the folder's own time changing. An empty
// -wal is what any reader leaves behind, ourselves included, and says nothing.
SourceCache::Signature SourceCache::SignatureOf(const QString& path) {
    std::vector<QFileInfo> infos;
    Stamp(infos, path);
    if (!infos.empty() && infos.front().isDir()) {
        for (const QFileInfo& info : QDir(path).entryInfoList(QDir::Files, QDir::Name)) {
            infos.push_back(info);
        }
    } else {
        Stamp(infos, path + QStringLiteral("-wal"), true);
        Stamp(infos, path + QStringLiteral("-journal"), true);
    }
    Signature signature;
    signature.reserve(infos.size());
    for (const QFileInfo& info : infos) {
        signature.push_back(
            FileStamp{info.filePath(), info.size(), info.lastModified().toMSecsSinceEpoch()});
    }
    return signature;
}

const SourceContacts& SourceCache::Load(const QString& path, bool asWab, bool& reused) {
    Signature stamp = SignatureOf(path);
    auto it = entries_.find(path);
    reused = it != entries_.end() && it->AsWab == asWab && it->Contacts.Ok() && !stamp.empty() &&
             it->Stamp == stamp;
    if (reused) {
        return it->Contacts;
    }
    Entry entry{std::move(stamp), asWab, asWab ? ReadWabSource(path) : ReadContactSource(path)};
    return entries_.insert(path, std::move(entry))->Contacts;
}

void SourceCache::KeepOnly(const QStringList& paths) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        it = paths.contains(it.key()) ? std::next(it) : entries_.erase(it);
    }
}

} // namespace sievra
