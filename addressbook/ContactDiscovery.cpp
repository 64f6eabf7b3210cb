#include "ContactDiscovery.h"

#include "ContactSource.h"
#include "PrefsFile.h"
#include "ThunderbirdProfile.h"

#include <QDir>
#include <QFileInfo>

namespace sievra {

namespace {

// dirType of the books Thunderbird keeps itself: 101 a local book, 102 a CardDAV book.
bool IsOwnBook(const PrefsFile& prefs, const QString& server) {
    const std::optional<qint64> type = prefs.Number(server + QStringLiteral(".dirType"));
    return !type || *type == 101 || *type == 102;
}

void AddIfFile(std::vector<FoundSource>& found, SourceKind kind, const QString& path) {
    for (const FoundSource& f : found) {
        if (f.Path == path) {
            return;
        }
    }
    if (QFileInfo(path).isFile()) {
        found.push_back({path, SourceLabel(kind, path)});
    }
}

void AddThunderbirdBooks(std::vector<FoundSource>& found, const QString& home) {
    const QString profile = FindDefaultProfile(home);
    if (profile.isEmpty()) {
        return;
    }
    const QDir dir(profile);
    AddIfFile(found, SourceKind::ThunderbirdBook, dir.filePath(QStringLiteral("abook.sqlite")));
    if (const auto prefs = PrefsFile::Read(dir.filePath(QStringLiteral("prefs.js")))) {
        QStringList names = prefs->Names();
        names.sort();
        for (const QString& key : names) {
            if (!key.startsWith(QLatin1String("ldap_2.servers.")) ||
                !key.endsWith(QLatin1String(".filename"))) {
                continue;
            }
            const QString server = key.chopped(int(QStringLiteral(".filename").size()));
            const QString file = prefs->Text(key);
            if (IsOwnBook(*prefs, server) && file.endsWith(QLatin1String(".sqlite")) &&
                !file.contains(QLatin1Char('/')) && file != QLatin1String("history.sqlite")) {
                AddIfFile(found, SourceKind::ThunderbirdBook, dir.filePath(file));
            }
        }
    }
    AddIfFile(found, SourceKind::ThunderbirdBook, dir.filePath(QStringLiteral("history.sqlite")));
}

void AddEvolutionBooks(std::vector<FoundSource>& found, const QString& dataHome) {
    const QDir books(dataHome + QStringLiteral("/evolution/addressbook"));
    QStringList ids = books.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    // The built-in book first, as Evolution lists it.
    if (ids.removeAll(QStringLiteral("system")) > 0) {
        ids.prepend(QStringLiteral("system"));
    }
    for (const QString& id : ids) {
        AddIfFile(found, SourceKind::EvolutionBook,
                  books.filePath(id + QStringLiteral("/contacts.db")));
    }
}

} // namespace

std::vector<FoundSource> DiscoverContactSources(const ContactPlaces& places) {
    std::vector<FoundSource> found;
    AddThunderbirdBooks(found, places.Home);
    AddEvolutionBooks(found, places.DataHome);
    const QString kde = places.DataHome + QStringLiteral("/contacts");
    if (QFileInfo(kde).isDir()) {
        found.push_back({kde, SourceLabel(SourceKind::VCardFolder, kde)});
    }
    return found;
}

} // namespace sievra
