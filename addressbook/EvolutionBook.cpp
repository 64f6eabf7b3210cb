// Evolution's local books: contacts.db keeps each contact's vCard in a column "vcard".
#include "ContactDatabase.h"
#include "SourceReaders.h"
#include "VCardReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace sievra {

QString EvolutionVCardTable(const ContactDatabase& db) {
    for (const QString& table : db.Tables()) {
        if (db.Columns(table).contains(QLatin1String("vcard"))) {
            return table;
        }
    }
    return QString();
}

ReadOutcome ReadEvolutionBook(const QString& path) {
    ReadOutcome outcome;
    const auto db = ContactDatabase::Open(path, outcome.Error);
    if (!db) {
        return outcome;
    }
    const QString table = EvolutionVCardTable(*db);
    if (table.isEmpty()) {
        outcome.Error = QStringLiteral("holds no contacts table");
        return outcome;
    }
    QString quoted = table;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    const bool read = db->Query(
        QStringLiteral("SELECT vcard FROM \"%1\"").arg(quoted),
        [&](const QByteArrayView* c, int) {
            VCardBatch batch = ReadVCards(c[0]);
            outcome.Skipped += batch.BadCards;
            for (Contact& contact : batch.Contacts) {
                outcome.Contacts.push_back(std::move(contact));
            }
        },
        outcome.Error);
    if (!read) {
        outcome.Error = QStringLiteral("damaged (%1)").arg(outcome.Error);
    }
    return outcome;
}

// A book lives in addressbook/<source id>/contacts.db; "system" is the built-in one, and the
// others are named in the source's registration file.
QString EvolutionBookName(const QString& path) {
    const QString id = QFileInfo(path).dir().dirName();
    if (id == QLatin1String("system")) {
        return QStringLiteral("Personal");
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QFile source(config + QStringLiteral("/evolution/sources/") + id + QStringLiteral(".source"));
    if (source.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (const QByteArray& line : source.readAll().split('\n')) {
            if (line.startsWith("DisplayName=")) {
                return QString::fromUtf8(line.mid(12)).trimmed();
            }
        }
    }
    return id;
}

} // namespace sievra
