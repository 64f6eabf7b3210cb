#include "ContactSource.h"

#include "AddressBookFile.h"
#include "AddressValidity.h"
#include "ContactDatabase.h"
#include "SourceReaders.h"
#include "VCardReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sievra {

namespace {

// Every Windows Address Book file begins with this class id.
const QByteArray WabMagic = QByteArray::fromHex("9ccbcb8d1375d211915800c04f7956a4");
// Enough to see past a byte order mark and blank lines to BEGIN:VCARD.
constexpr qint64 HeadBytes = 4096;

SourceKind DatabaseKind(const QString& path, QString& error) {
    const auto db = ContactDatabase::Open(path, error);
    if (!db) {
        return SourceKind::Unknown;
    }
    const QStringList columns = db->Columns(QStringLiteral("properties"));
    if (columns.contains(QLatin1String("card")) && columns.contains(QLatin1String("name")) &&
        columns.contains(QLatin1String("value"))) {
        return SourceKind::ThunderbirdBook;
    }
    if (!EvolutionVCardTable(*db).isEmpty()) {
        return SourceKind::EvolutionBook;
    }
    error = QStringLiteral("a database that holds no address book Sievra knows");
    return SourceKind::Unknown;
}

ReadOutcome ReadWab(const QString& path) {
    ReadOutcome outcome;
    const BookReadResult result = ReadAddressBookRecords(path, [&](const ContactRecord& r) {
        outcome.Contacts.push_back({r.Address, r.DisplayName});
    });
    switch (result) {
    case BookReadResult::Complete:
        break;
    case BookReadResult::NoPath:
        outcome.Error = QStringLiteral("no file named");
        break;
    case BookReadResult::CannotOpen:
        outcome.Error = QFileInfo::exists(path) ? QStringLiteral("cannot be read")
                                                : QStringLiteral("no such file");
        break;
    case BookReadResult::TooShort:
    case BookReadResult::Truncated:
        outcome.Error = QStringLiteral("damaged (it ends inside its index)");
        break;
    }
    return outcome;
}

ReadOutcome ReadOfKind(SourceKind kind, const QString& path) {
    switch (kind) {
    case SourceKind::WabFile:
        return ReadWab(path);
    case SourceKind::VCardFile:
        return ReadVCardFile(path);
    case SourceKind::VCardFolder:
        return ReadVCardFolder(path);
    case SourceKind::ThunderbirdBook:
        return ReadThunderbirdBook(path);
    case SourceKind::EvolutionBook:
        return ReadEvolutionBook(path);
    case SourceKind::Unknown:
        break;
    }
    return {};
}

// IsValidAddress is the one test every source's addresses pass.
SourceContacts Finish(SourceKind kind, const QString& path, ReadOutcome&& outcome) {
    SourceContacts source;
    source.Path = path;
    source.Label = SourceLabel(kind, path);
    source.Skipped = outcome.Skipped;
    source.Error = std::move(outcome.Error);
    if (!source.Ok()) {
        return source;
    }
    source.Contacts.reserve(outcome.Contacts.size());
    for (Contact& c : outcome.Contacts) {
        if (IsValidAddress(c.Address)) {
            source.Contacts.push_back(std::move(c));
        }
    }
    return source;
}

} // namespace

SourceKind DetectSourceKind(const QString& path, QString& error) {
    const QFileInfo info(path);
    if (path.isEmpty()) {
        error = QStringLiteral("no file named");
        return SourceKind::Unknown;
    }
    if (!info.exists()) {
        error = QStringLiteral("no such file or folder");
        return SourceKind::Unknown;
    }
    if (info.isDir()) {
        return SourceKind::VCardFolder;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot be read (%1)").arg(file.errorString());
        return SourceKind::Unknown;
    }
    const QByteArray head = file.read(HeadBytes);
    file.close();
    if (IsSqliteFile(head)) {
        return DatabaseKind(path, error);
    }
    if (LooksLikeVCard(head)) {
        return SourceKind::VCardFile;
    }
    if (head.startsWith(WabMagic)) {
        return SourceKind::WabFile;
    }
    error = head.isEmpty() ? QStringLiteral("an empty file, not an address book")
                           : QStringLiteral("not an address book Sievra knows");
    return SourceKind::Unknown;
}

QString SourceLabel(SourceKind kind, const QString& path) {
    const QFileInfo info(path);
    switch (kind) {
    case SourceKind::WabFile:
        return QStringLiteral("Windows Address Book: ") + info.fileName();
    case SourceKind::VCardFile:
        return QStringLiteral("vCard file: ") + info.fileName();
    case SourceKind::VCardFolder:
        return QStringLiteral("vCard folder: ") + QDir(path).dirName();
    case SourceKind::ThunderbirdBook:
        return QStringLiteral("Thunderbird: ") + ThunderbirdBookName(path);
    case SourceKind::EvolutionBook:
        return QStringLiteral("Evolution: ") + EvolutionBookName(path);
    case SourceKind::Unknown:
        break;
    }
    return path;
}

SourceContacts ReadContactSource(const QString& path) {
    QString error;
    const SourceKind kind = DetectSourceKind(path, error);
    if (kind == SourceKind::Unknown) {
        ReadOutcome failed;
        failed.Error = error;
        return Finish(kind, path, std::move(failed));
    }
    return Finish(kind, path, ReadOfKind(kind, path));
}

SourceContacts ReadWabSource(const QString& path) {
    return Finish(SourceKind::WabFile, path, ReadWab(path));
}

} // namespace sievra
