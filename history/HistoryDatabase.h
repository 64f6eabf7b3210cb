#pragma once

#include "HistoryError.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <initializer_list>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace sievra {

// A prepared statement of the history file, reset and unbound when it goes out of scope.
class HistoryStatement {
public:
    HistoryStatement(HistoryStatement&& other) noexcept;
    HistoryStatement(const HistoryStatement&) = delete;
    HistoryStatement& operator=(const HistoryStatement&) = delete;
    HistoryStatement& operator=(HistoryStatement&&) = delete;
    ~HistoryStatement();

    // Parameters count from 1, as in the SQL text (?1, ?2, ...).
    HistoryStatement& Bind(int index, qint64 value);
    HistoryStatement& Bind(int index, const QString& value);
    HistoryStatement& Bind(int index, const QByteArray& value);
    HistoryStatement& BindNull(int index);

    // True while a row is there to read; false when done. Throws HistoryError on failure.
    bool Next();
    // Runs a statement that returns no rows.
    void Run();

    qint64 Int(int column) const;
    QString Text(int column) const;
    QByteArray Blob(int column) const;
    bool IsNull(int column) const;

private:
    friend class HistoryDatabase;
    HistoryStatement(class HistoryDatabase* db, sqlite3_stmt* stmt, bool* inUse);

    class HistoryDatabase* db_;
    sqlite3_stmt* stmt_;
    bool* inUse_; // null for a one-off copy, finalized instead of reset
};

// The record of what Sievra did: history.db in the data folder beside the reply queue.
// It is a convenience, never a gate: a damaged file is set aside (renamed, never deleted)
// and a new one started, and its owner goes on screening when a write fails.
//
// Other modules keep their own tables in the same file. A module names itself and lists its
// statements, all of the "CREATE TABLE IF NOT EXISTS" / "CREATE INDEX IF NOT EXISTS" kind:
//
//     const int stored = db.EnsureTables("reply-interval", 1, {
//         "CREATE TABLE IF NOT EXISTS reply_interval(address TEXT PRIMARY KEY, last INTEGER)"});
//
// They run in one transaction every time the module opens its tables; the return value is the
// module's version as the file held it before (0 for a new file), so a later version of a
// module can migrate its own rows. Name tables after the module; then read and write them with
// Prepare() and prepared statements, several writes inside InTransaction().
class HistoryDatabase {
public:
    // $XDG_DATA_HOME/sievra, or ~/.local/share/sievra.
    static QString DefaultFolder();
    static QString DefaultPath();

    // Opens or creates the file (0600, its folder 0700, never through a link), in WAL mode.
    // A damaged file is renamed aside and a new one created; SetAsideNotice() then says so.
    // Throws HistoryError only when no file can be used at all (no folder, no space).
    explicit HistoryDatabase(QString path = DefaultPath());
    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase&) = delete;
    HistoryDatabase& operator=(const HistoryDatabase&) = delete;

    const QString& FilePath() const { return path_; }
    // Non-empty once, on the open that set a damaged file aside: for the user to see.
    const QString& SetAsideNotice() const { return notice_; }

    int EnsureTables(const QString& module, int version, std::initializer_list<const char*> sql);

    // Cached by the text's address: pass string literals.
    HistoryStatement Prepare(const char* sql);
    void Exec(const char* sql);
    void InTransaction(const std::function<void()>& work);
    qint64 LastInsertId() const;
    int Changes() const;

    [[noreturn]] void Fail(const QString& what) const;

private:
    struct CachedStatement {
        sqlite3_stmt* stmt = nullptr;
        bool inUse = false;
    };

    enum class OpenResult { Ready, Damaged };
    OpenResult TryOpen(QString* reason);
    void Close();
    void SetAside(const QString& reason);
    void CreateSchema();

    QString path_;
    QString notice_;
    sqlite3* db_ = nullptr;
    std::unordered_map<const char*, CachedStatement> cache_;
    int transactionDepth_ = 0;
};

} // namespace sievra
