#include "HistoryDatabase.h"

#include "settings/PrivateFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sievra {

namespace {

// The layout of the file's own tables; modules keep their versions in `modules`.
constexpr int FileFormat = 1;

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

bool IsDamage(int rc) {
    const int primary = rc & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

} // namespace

// --- HistoryStatement ---

HistoryStatement::HistoryStatement(HistoryDatabase* db, sqlite3_stmt* stmt, bool* inUse)
    : db_(db)
    , stmt_(stmt)
    , inUse_(inUse) {}

HistoryStatement::HistoryStatement(HistoryStatement&& other) noexcept
    : db_(other.db_)
    , stmt_(other.stmt_)
    , inUse_(other.inUse_) {
    other.stmt_ = nullptr;
}

HistoryStatement::~HistoryStatement() {
    if (stmt_ == nullptr) {
        return;
    }
    if (inUse_ == nullptr) {
        sqlite3_finalize(stmt_);
        return;
    }
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    *inUse_ = false;
}

HistoryStatement& HistoryStatement::Bind(int index, qint64 value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

HistoryStatement& HistoryStatement::Bind(int index, const QString& value) {
    const QByteArray bytes = value.toUtf8();
    sqlite3_bind_text(stmt_, index, bytes.constData(), static_cast<int>(bytes.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

HistoryStatement& HistoryStatement::Bind(int index, const QByteArray& value) {
    sqlite3_bind_blob(stmt_, index, value.constData(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

HistoryStatement& HistoryStatement::BindNull(int index) {
    sqlite3_bind_null(stmt_, index);
    return *this;
}

bool HistoryStatement::Next() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc != SQLITE_DONE) {
        db_->Fail(QStringLiteral("cannot read or write"));
    }
    return false;
}

void HistoryStatement::Run() {
    while (Next()) {
    }
}

qint64 HistoryStatement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

QString HistoryStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return text == nullptr ? QString() : QString::fromUtf8(text, size);
}

QByteArray HistoryStatement::Blob(int column) const {
    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return data == nullptr ? QByteArray() : QByteArray(data, size);
}

bool HistoryStatement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

// --- HistoryDatabase ---

QString HistoryDatabase::DefaultFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return base + QStringLiteral("/sievra");
}

QString HistoryDatabase::DefaultPath() {
    return DefaultFolder() + QStringLiteral("/history.db");
}

HistoryDatabase::HistoryDatabase(QString path)
    : path_(std::move(path)) {
    const QString folder = QFileInfo(path_).absolutePath();
    const QString folderError = MakePrivateFolder(folder, folder == DefaultFolder());
    if (!folderError.isEmpty()) {
        throw HistoryError(folderError);
    }
    QString reason;
    if (TryOpen(&reason) == OpenResult::Damaged) {
        Close();
        SetAside(reason);
        if (TryOpen(&reason) == OpenResult::Damaged) {
            Close();
            throw HistoryError(
                QStringLiteral("History file %1: %2").arg(QDir::toNativeSeparators(path_), reason));
        }
    }
}

HistoryDatabase::~HistoryDatabase() {
    Close();
}

void HistoryDatabase::Close() {
    for (auto& [sql, cached] : cache_) {
        sqlite3_finalize(cached.stmt);
    }
    cache_.clear();
    if (db_ != nullptr) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

// Only a file SQLite calls damaged is set aside; a busy or unreadable one is an error, since
// renaming a file another program is writing would lose its work.
HistoryDatabase::OpenResult HistoryDatabase::TryOpen(QString* reason) {
    struct stat st {};
    if (::lstat(Native(path_).constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        throw HistoryError(QStringLiteral("History file %1: %2")
                               .arg(QDir::toNativeSeparators(path_), FileErrorText(ELOOP)));
    }
    // Created 0600 before SQLite opens it: SQLite gives its -wal and -shm files the mode of
    // the database. O_EXCL, since closing a descriptor of an open database drops its locks.
    const int fd = ::open(Native(path_).constData(),
                          O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
    }
    for (const char* suffix : {"", "-wal", "-shm"}) {
        TightenFile(path_ + QLatin1String(suffix));
    }
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW;
    if (sqlite3_open_v2(Native(path_).constData(), &db_, flags, nullptr) != SQLITE_OK) {
        Fail(QStringLiteral("cannot open"));
    }
    sqlite3_extended_result_codes(db_, 1);
    // The window and the command line share the file: wait for each other's writes.
    sqlite3_busy_timeout(db_, 10000);
    const int rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (IsDamage(rc)) {
        *reason = QString::fromUtf8(sqlite3_errmsg(db_));
        return OpenResult::Damaged;
    }
    if (rc != SQLITE_OK) {
        Fail(QStringLiteral("cannot open"));
    }
    sqlite3_stmt* check = nullptr;
    const int prc = sqlite3_prepare_v2(db_, "PRAGMA quick_check(1)", -1, &check, nullptr);
    const int src = prc == SQLITE_OK ? sqlite3_step(check) : prc;
    const QString verdict =
        src == SQLITE_ROW
            ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)))
            : QString::fromUtf8(sqlite3_errmsg(db_));
    sqlite3_finalize(check);
    if (IsDamage(src) || (src == SQLITE_ROW && verdict != QStringLiteral("ok"))) {
        *reason = verdict;
        return OpenResult::Damaged;
    }
    if (src != SQLITE_ROW) {
        Fail(QStringLiteral("cannot read"));
    }
    // A record per message: syncing the log at every one would cost more than the pass. In WAL
    // mode the file stays whole on a crash; at worst the last entries are lost.
    Exec("PRAGMA synchronous=NORMAL");
    // A pass writes a few rows and reads little: a small page cache keeps a program that runs
    // for weeks from holding megabytes for a growing file.
    Exec("PRAGMA cache_size=-256");
    CreateSchema();
    return OpenResult::Ready;
}

void HistoryDatabase::SetAside(const QString& reason) {
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = path_ + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n) {
        aside = path_ + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    }
    // The journal goes with its file; a fresh start must not replay it into the new one.
    for (const char* suffix : {"-wal", "-shm"}) {
        const QString from = path_ + QLatin1String(suffix);
        if (QFileInfo::exists(from)) {
            ::rename(Native(from).constData(), Native(aside + QLatin1String(suffix)).constData());
        }
    }
    if (::rename(Native(path_).constData(), Native(aside).constData()) != 0) {
        throw HistoryError(QStringLiteral("History file %1 is damaged (%2) and cannot be set "
                                          "aside: %3")
                               .arg(QDir::toNativeSeparators(path_), reason, FileErrorText(errno)));
    }
    notice_ = QStringLiteral("The history file %1 was damaged (%2); it was kept as %3 and a "
                             "new one started")
                  .arg(QDir::toNativeSeparators(path_), reason, QDir::toNativeSeparators(aside));
}

void HistoryDatabase::CreateSchema() {
    InTransaction([this] {
        Exec("CREATE TABLE IF NOT EXISTS modules(name TEXT PRIMARY KEY, version INTEGER NOT "
             "NULL)");
        HistoryStatement st = Prepare("PRAGMA user_version");
        if (st.Next() && st.Int(0) < FileFormat) {
            Exec("PRAGMA user_version=1");
        }
    });
}

int HistoryDatabase::EnsureTables(const QString& module, int version,
                                  std::initializer_list<const char*> sql) {
    int stored = 0;
    InTransaction([&] {
        {
            HistoryStatement st = Prepare("SELECT version FROM modules WHERE name = ?1");
            st.Bind(1, module);
            if (st.Next()) {
                stored = static_cast<int>(st.Int(0));
            }
        }
        for (const char* statement : sql) {
            Exec(statement);
        }
        if (version > stored) {
            HistoryStatement st =
                Prepare("INSERT OR REPLACE INTO modules(name, version) VALUES(?1, ?2)");
            st.Bind(1, module).Bind(2, qint64{version}).Run();
        }
    });
    return stored;
}

void HistoryDatabase::Fail(const QString& what) const {
    const QString detail =
        db_ != nullptr ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
    throw HistoryError(QStringLiteral("History file %1: %2 (%3)")
                           .arg(QDir::toNativeSeparators(path_), what, detail));
}

void HistoryDatabase::Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail(QStringLiteral("cannot write"));
    }
}

HistoryStatement HistoryDatabase::Prepare(const char* sql) {
    auto found = cache_.find(sql);
    if (found != cache_.end() && !found->second.inUse) {
        found->second.inUse = true;
        return HistoryStatement(this, found->second.stmt, &found->second.inUse);
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        Fail(QStringLiteral("cannot read"));
    }
    if (found != cache_.end()) {
        return HistoryStatement(this, stmt, nullptr);
    }
    CachedStatement& cached = cache_[sql];
    cached.stmt = stmt;
    cached.inUse = true;
    return HistoryStatement(this, stmt, &cached.inUse);
}

void HistoryDatabase::InTransaction(const std::function<void()>& work) {
    if (transactionDepth_ > 0) {
        work();
        return;
    }
    // IMMEDIATE takes the write lock up front, so two writers queue instead of deadlocking.
    Exec("BEGIN IMMEDIATE");
    transactionDepth_ = 1;
    try {
        work();
        transactionDepth_ = 0;
        if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw HistoryError(QStringLiteral("History file %1: cannot write (%2)")
                                   .arg(QDir::toNativeSeparators(path_), message));
        }
    } catch (...) {
        if (transactionDepth_ > 0) {
            transactionDepth_ = 0;
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw;
    }
}

qint64 HistoryDatabase::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int HistoryDatabase::Changes() const {
    return sqlite3_changes(db_);
}

} // namespace sievra
