#include "ContactBooks.h"

#include "TestHome.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace sievra::test {

namespace {

void Exec(sqlite3* db, const QString& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    ASSERT_EQ(rc, SQLITE_OK) << (message ? message : "") << " in " << sql.toStdString();
}

QString Quoted(const QString& text) {
    QString q = text;
    return QLatin1Char('\'') + q.replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

sqlite3* Create(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    return db;
}

} // namespace

QString ThunderbirdVCard(const QString& name, const QStringList& addresses) {
    QString card =
        QStringLiteral("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:") + name + QStringLiteral("\r\n");
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        card += (i == 0 ? QStringLiteral("EMAIL;PREF=1:") : QStringLiteral("EMAIL:")) +
                addresses[i] + QStringLiteral("\r\n");
    }
    return card + QStringLiteral("UID:uid-") + QString::number(qHash(name)) +
           QStringLiteral("\r\nEND:VCARD\r\n");
}

void WriteThunderbirdBook(const QString& path, const QList<BookCard>& cards, bool wal) {
    sqlite3* db = Create(path);
    Exec(db, wal ? "PRAGMA journal_mode=WAL" : "PRAGMA journal_mode=DELETE");
    Exec(db, "PRAGMA user_version=4");
    Exec(db, "CREATE TABLE properties (card TEXT, name TEXT, value TEXT)");
    Exec(db, "CREATE TABLE lists (uid TEXT PRIMARY KEY, name TEXT, nickName TEXT, "
             "description TEXT)");
    Exec(db, "CREATE TABLE list_cards (list TEXT, card TEXT, PRIMARY KEY(list, card))");
    Exec(db, "CREATE INDEX properties_card ON properties(card)");
    Exec(db, "CREATE INDEX properties_name ON properties(name)");
    Exec(db, "BEGIN");
    for (qsizetype i = 0; i < cards.size(); ++i) {
        const QString uid = Quoted(QStringLiteral("card-%1").arg(i));
        const BookCard& c = cards[i];
        const QList<QPair<QString, QString>> props = {{"_vCard", c.VCard},
                                                      {"PrimaryEmail", c.Primary},
                                                      {"SecondEmail", c.Second},
                                                      {"DisplayName", c.DisplayName},
                                                      {"LastModifiedDate", "1700000000"}};
        for (const auto& [name, value] : props) {
            if (!value.isEmpty()) {
                Exec(db, QStringLiteral("INSERT INTO properties VALUES (%1, %2, %3)")
                             .arg(uid, Quoted(name), Quoted(value)));
            }
        }
    }
    Exec(db, "COMMIT");
    sqlite3_close(db);
}

void WriteEvolutionBook(const QString& path, const QStringList& vcards) {
    sqlite3* db = Create(path);
    Exec(db, "CREATE TABLE folders (folder_id TEXT PRIMARY KEY, version INTEGER, "
             "multivalues TEXT, lc_collate TEXT, countrycode VARCHAR(2))");
    Exec(db, "CREATE TABLE folder_id (uid TEXT PRIMARY KEY, Rev TEXT, file_as TEXT, "
             "full_name TEXT, email_1 TEXT, vcard TEXT, bdata TEXT)");
    Exec(db, "CREATE TABLE folder_id_email_list (uid TEXT, value TEXT)");
    Exec(db, "INSERT INTO folders VALUES ('folder_id', 12, 'email', 'en_US.UTF-8', 'US')");
    for (qsizetype i = 0; i < vcards.size(); ++i) {
        Exec(db, QStringLiteral("INSERT INTO folder_id (uid, full_name, vcard) VALUES "
                                "('pas-id-%1', 'lower name', %2)")
                     .arg(i)
                     .arg(Quoted(vcards[i])));
    }
    sqlite3_close(db);
}

} // namespace sievra::test
