#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

struct sqlite3;

namespace sievra {

// A contact database of another program (Thunderbird, Evolution), opened read-only through a
// "mode=ro" URI: we never lock it against writing or write to it, and a write in progress by
// its owner leaves us reading the last committed state.
class ContactDatabase {
public:
    // Nothing (and error set) when the file is no SQLite database or cannot be opened.
    static std::unique_ptr<ContactDatabase> Open(const QString& path, QString& error);
    ~ContactDatabase();
    ContactDatabase(const ContactDatabase&) = delete;
    ContactDatabase& operator=(const ContactDatabase&) = delete;

    // The column names of a table; empty when there is no such table.
    QStringList Columns(const QString& table) const;
    QStringList Tables() const;

    // Runs a query and hands every row's columns as raw bytes to onRow. False, with error
    // set, when the query fails (a damaged file, or a lock held too long).
    using Row = std::function<void(const QByteArrayView* columns, int count)>;
    bool Query(const QString& sql, const Row& onRow, QString& error) const;

private:
    explicit ContactDatabase(sqlite3* db)
        : db_(db) {}
    sqlite3* db_;
};

// True when the file begins with the SQLite header.
bool IsSqliteFile(QByteArrayView head);

} // namespace sievra
