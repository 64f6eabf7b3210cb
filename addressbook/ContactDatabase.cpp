#include "ContactDatabase.h"

#include <QUrl>
#include <sqlite3.h>

namespace sievra {

namespace {

// Thunderbird holds its write lock only while it commits; waiting this long rides that out.
constexpr int BusyTimeoutMs = 2000;

QString Message(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

} // namespace

bool IsSqliteFile(QByteArrayView head) {
    return head.startsWith(QByteArrayView("SQLite format 3\0", 16));
}

std::unique_ptr<ContactDatabase> ContactDatabase::Open(const QString& path, QString& error) {
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded() + "?mode=ro";
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        error = db != nullptr ? Message(db) : QStringLiteral("cannot open the database");
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    return std::unique_ptr<ContactDatabase>(new ContactDatabase(db));
}

ContactDatabase::~ContactDatabase() {
    sqlite3_close(db_);
}

bool ContactDatabase::Query(const QString& sql, const Row& onRow, QString& error) const {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        error = Message(db_);
        return false;
    }
    const int count = sqlite3_column_count(stmt);
    std::vector<QByteArrayView> columns(static_cast<size_t>(count));
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int i = 0; i < count; ++i) {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt, i));
            columns[static_cast<size_t>(i)] = QByteArrayView(bytes, sqlite3_column_bytes(stmt, i));
        }
        onRow(columns.data(), count);
    }
    if (rc != SQLITE_DONE) {
        error = Message(db_);
    }
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

QStringList ContactDatabase::Tables() const {
    QStringList tables;
    QString ignored;
    Query(
        QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"),
        [&](const QByteArrayView* c, int) { tables.append(QString::fromUtf8(c[0])); }, ignored);
    return tables;
}

QStringList ContactDatabase::Columns(const QString& table) const {
    QStringList columns;
    QString ignored;
    sqlite3_stmt* stmt = nullptr;
    // pragma_table_info takes the name as a bound value, so no quoting is needed.
    if (sqlite3_prepare_v2(db_, "SELECT name FROM pragma_table_info(?1)", -1, &stmt, nullptr) !=
        SQLITE_OK) {
        return columns;
    }
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(stmt, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        columns.append(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)))
                .toLower());
    }
    sqlite3_finalize(stmt);
    return columns;
}

} // namespace sievra
