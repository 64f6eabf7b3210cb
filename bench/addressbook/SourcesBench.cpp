#include "SourcesBench.h"

#include "bench/BenchSupport.h"
#include "engine/AcceptedSet.h"

#include <QFile>
#include <cstdio>
#include <sqlite3.h>

namespace sievra::bench {

namespace {

constexpr int ContactCount = 100000;

QString Address(int i) {
    return QStringLiteral("person.%1@domain-%2.example").arg(i).arg(i % 211);
}

QByteArray Card(int i) {
    return QStringLiteral("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Person %1\r\nN:%1;Person;;;\r\n"
                          "EMAIL;PREF=1:%2\r\nUID:%1-uid\r\nEND:VCARD\r\n")
        .arg(i)
        .arg(Address(i))
        .toUtf8();
}

bool WriteVCardFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    for (int i = 0; i < ContactCount; ++i) {
        if (file.write(Card(i)) < 0) {
            return false;
        }
    }
    return true;
}

// Thunderbird's own layout: the vCard and the copied properties of each card.
bool WriteThunderbirdBook(const QString& path) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK &&
              sqlite3_exec(db,
                           "PRAGMA journal_mode=WAL; PRAGMA user_version=4;"
                           "CREATE TABLE properties (card TEXT, name TEXT, value TEXT);"
                           "CREATE INDEX properties_card ON properties(card);"
                           "CREATE INDEX properties_name ON properties(name); BEGIN;",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO properties VALUES (?1, ?2, ?3)", -1, &insert,
                                  nullptr) == SQLITE_OK;
    for (int i = 0; i < ContactCount && ok; ++i) {
        const QByteArray card = QByteArray::number(i) + "-uid";
        const QList<QPair<QByteArray, QByteArray>> props = {
            {"_vCard", Card(i)},
            {"PrimaryEmail", Address(i).toUtf8()},
            {"DisplayName", QByteArray("Person ") + QByteArray::number(i)},
            {"LastModifiedDate", "1700000000"}};
        for (const auto& [name, value] : props) {
            sqlite3_bind_text(insert, 1, card.constData(), int(card.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, value.constData(), int(value.size()), SQLITE_TRANSIENT);
            ok = ok && sqlite3_step(insert) == SQLITE_DONE;
            sqlite3_reset(insert);
        }
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

bool Measure(const char* what, const QString& path) {
    AcceptedSet set;
    Stopwatch first;
    const AcceptedSet::Outcome loaded = set.Load(QString(), {path}, {});
    const double firstMs = first.Milliseconds();
    Stopwatch second;
    const AcceptedSet::Outcome again = set.Load(QString(), {path}, {});
    const double secondMs = second.Milliseconds();
    const bool found = set.Index().Contains(Address(ContactCount - 1).toUpper());
    std::printf("%s: %s\n", what, qPrintable(loaded.Lines.value(0)));
    std::printf("  first load with index: %.1f ms (target < 150 ms)\n", firstMs);
    std::printf("  second pass, unchanged: %.3f ms (target < 1 ms)\n", secondMs);
    return loaded.Ok && again.Ok && found;
}

} // namespace

bool RunSourceBenchmarks(const QString& folder) {
    const QString vcf = folder + QStringLiteral("/contacts.vcf");
    const QString abook = folder + QStringLiteral("/abook.sqlite");
    if (!WriteVCardFile(vcf) || !WriteThunderbirdBook(abook)) {
        std::printf("cannot write the contact sources\n");
        return false;
    }
    const bool vcardOk = Measure("vCard file, 100,000 cards", vcf);
    const bool thunderbirdOk = Measure("Thunderbird book, 100,000 cards", abook);
    return vcardOk && thunderbirdOk;
}

} // namespace sievra::bench
