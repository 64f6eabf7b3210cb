#include "SettingsStore.h"

#include "PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace sievra {

namespace {

QString Fold(const QString& name) {
    return name.toCaseFolded();
}

QByteArray Utf8(const QString& s) {
    return s.toUtf8();
}

bool HasControlCharacter(const QString& s) {
    for (QChar c : s) {
        if (c.unicode() < 32 || c.unicode() == 127) {
            return true;
        }
    }
    return false;
}

constexpr qint64 RootId = 1;
constexpr int SchemaVersion = 1;

} // namespace

// A cached prepared statement, reset and unbound when the wrapper goes out of scope.
// A statement that is already in use (a nested call) gets a one-off copy of its own.
class SettingsStore::Statement {
public:
    Statement(sqlite3_stmt* stmt, bool* inUse)
        : stmt_(stmt)
        , inUse_(inUse) {}
    Statement(Statement&& other) noexcept
        : stmt_(other.stmt_)
        , inUse_(other.inUse_) {
        other.stmt_ = nullptr;
    }
    Statement(const Statement&) = delete;
    ~Statement() {
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

    Statement& Bind(int index, qint64 value) {
        sqlite3_bind_int64(stmt_, index, value);
        return *this;
    }
    Statement& Bind(int index, const QString& value) {
        const QByteArray bytes = Utf8(value);
        sqlite3_bind_text(stmt_, index, bytes.constData(), static_cast<int>(bytes.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return sqlite3_step(stmt_); }
    qint64 Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    QString Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        const int size = sqlite3_column_bytes(stmt_, column);
        return text == nullptr ? QString() : QString::fromUtf8(text, size);
    }

private:
    sqlite3_stmt* stmt_;
    bool* inUse_;
};

QString SettingsStore::DefaultPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/sievra/settings.db");
}

SettingsStore::SettingsStore(const QString& path)
    : path_(path) {
    try {
        OpenFile();
        CheckReadable();
    } catch (...) {
        for (auto& [sql, cached] : cache_) {
            sqlite3_finalize(cached.stmt);
        }
        cache_.clear();
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
}

SettingsStore::~SettingsStore() {
    for (auto& [sql, cached] : cache_) {
        sqlite3_finalize(cached.stmt);
    }
    if (db_ != nullptr) {
        sqlite3_close_v2(db_);
    }
}

void SettingsStore::OpenFile() {
    const QFileInfo info(path_);
    if (!MakePrivateFolder(info.absolutePath(), path_ == DefaultPath()).isEmpty()) {
        throw StoreError(QStringLiteral("Cannot create the settings folder %1")
                             .arg(QDir::toNativeSeparators(info.absolutePath())));
    }
    CreatePrivately();
    const int rc = sqlite3_open_v2(Utf8(path_).constData(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        Fail(QStringLiteral("cannot open"));
    }
    sqlite3_extended_result_codes(db_, 1);
    // Several programs share the file: wait for each other's writes instead of failing.
    sqlite3_busy_timeout(db_, 15000);
}

// The store holds passwords: the file is created 0600 before SQLite opens it, since SQLite
// gives its -wal and -shm files the mode of the database. Files left by an older version are
// tightened.
void SettingsStore::CreatePrivately() {
    // O_EXCL: an existing file is never opened here, since closing a descriptor would drop the
    // locks SQLite holds on it for another connection of this process.
    const int fd = ::open(Utf8(path_).constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          static_cast<mode_t>(0600));
    if (fd >= 0) {
        ::close(fd);
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        TightenFile(path_ + QLatin1String(suffix));
    }
}

void SettingsStore::CheckReadable() {
    // Reading the schema fails on a file that is not a database; nothing is written before
    // this check passes, so a damaged file stays as it is for the user to recover.
    qint64 tables = 0;
    {
        Statement st = Prepare("SELECT count(*) FROM sqlite_master");
        if (st.Step() != SQLITE_ROW) {
            Fail(QStringLiteral("cannot read"));
        }
        tables = st.Int(0);
    }
    if (tables == 0) {
        Exec("PRAGMA journal_mode=WAL");
        CreateSchema();
    } else {
        qint64 version = 0;
        {
            Statement st = Prepare("PRAGMA user_version");
            if (st.Step() == SQLITE_ROW) {
                version = st.Int(0);
            }
        }
        if (version != SchemaVersion) {
            throw StoreError(QStringLiteral("%1 is not a Sievra settings file (format %2); it "
                                            "was left unchanged")
                                 .arg(QDir::toNativeSeparators(path_))
                                 .arg(version));
        }
        Statement check = Prepare("PRAGMA quick_check(1)");
        if (check.Step() != SQLITE_ROW || check.Text(0) != QStringLiteral("ok")) {
            throw StoreError(QStringLiteral("The settings file %1 is damaged (%2); it was left "
                                            "unchanged")
                                 .arg(QDir::toNativeSeparators(path_), check.Text(0)));
        }
    }
    Exec("PRAGMA foreign_keys=ON");
    Exec("PRAGMA synchronous=FULL");
}

void SettingsStore::CreateSchema() {
    InTransaction([this] {
        Exec("CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY,"
             " parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
             " name TEXT NOT NULL, fold TEXT NOT NULL)");
        Exec("CREATE UNIQUE INDEX IF NOT EXISTS keys_child ON keys(parent, fold)");
        Exec("CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL REFERENCES keys(id)"
             " ON DELETE CASCADE, name TEXT NOT NULL, fold TEXT NOT NULL,"
             " type INTEGER NOT NULL, text TEXT, num INTEGER, PRIMARY KEY(key, fold))"
             " WITHOUT ROWID");
        Exec("INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, NULL, '', '')");
        Exec("PRAGMA user_version=1");
    });
}

void SettingsStore::Fail(const QString& what) const {
    const QString detail =
        db_ != nullptr ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
    throw StoreError(QStringLiteral("Settings file %1: %2 (%3)")
                         .arg(QDir::toNativeSeparators(path_), what, detail));
}

void SettingsStore::Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        Fail(QStringLiteral("cannot write"));
    }
}

SettingsStore::Statement SettingsStore::Prepare(const char* sql) {
    auto found = cache_.find(sql);
    if (found != cache_.end() && !found->second.inUse) {
        found->second.inUse = true;
        return Statement(found->second.stmt, &found->second.inUse);
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        Fail(QStringLiteral("cannot read"));
    }
    if (found != cache_.end()) {
        return Statement(stmt, nullptr);
    }
    CachedStatement& cached = cache_[sql];
    cached.stmt = stmt;
    cached.inUse = true;
    return Statement(stmt, &cached.inUse);
}

void SettingsStore::InTransaction(const std::function<void()>& work) {
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
            throw StoreError(QStringLiteral("Settings file %1: cannot write (%2)")
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

QStringList SettingsStore::SplitPath(const QString& path) {
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString SettingsStore::JoinPath(const QStringList& parts) {
    return QLatin1Char('\\') + parts.join(QLatin1Char('\\'));
}

std::optional<qint64> SettingsStore::FindChild(qint64 parent, const QString& name) {
    Statement st = Prepare("SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
    st.Bind(1, parent).Bind(2, Fold(name));
    if (st.Step() == SQLITE_ROW) {
        return st.Int(0);
    }
    return std::nullopt;
}

qint64 SettingsStore::CreateChild(qint64 parent, const QString& name) {
    if (HasControlCharacter(name)) {
        throw StoreError(QStringLiteral("Invalid key name \"%1\": control characters are not "
                                        "allowed")
                             .arg(name));
    }
    Statement st = Prepare("INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
    st.Bind(1, parent).Bind(2, name).Bind(3, Fold(name));
    if (st.Step() != SQLITE_DONE) {
        Fail(QStringLiteral("cannot create key %1").arg(name));
    }
    return sqlite3_last_insert_rowid(db_);
}

std::optional<SettingsKey> SettingsStore::OpenKey(const QString& path, bool create) {
    const QStringList parts = SplitPath(path);
    const auto walk = [&]() -> std::optional<qint64> {
        qint64 id = RootId;
        for (const QString& part : parts) {
            std::optional<qint64> child = FindChild(id, part);
            if (!child) {
                if (!create) {
                    return std::nullopt;
                }
                child = CreateChild(id, part);
            }
            id = *child;
        }
        return id;
    };
    std::optional<qint64> id;
    if (create) {
        InTransaction([&] { id = walk(); });
    } else {
        id = walk();
    }
    if (!id) {
        return std::nullopt;
    }
    return SettingsKey(this, *id, JoinPath(parts));
}

bool SettingsStore::KeyExists(const QString& path) {
    return OpenKey(path).has_value();
}

bool SettingsStore::DeleteKey(const QString& path) {
    bool deleted = false;
    InTransaction([&] {
        std::optional<SettingsKey> key = OpenKey(path);
        if (!key || key->id_ == RootId) {
            return;
        }
        Statement st = Prepare("DELETE FROM keys WHERE id = ?1");
        st.Bind(1, key->id_);
        if (st.Step() != SQLITE_DONE) {
            Fail(QStringLiteral("cannot delete key %1").arg(path));
        }
        deleted = sqlite3_changes(db_) > 0;
    });
    return deleted;
}

// A row of "SELECT name, type, text, num".
StoredValue SettingsStore::ValueFromRow(const Statement& st) {
    StoredValue value;
    value.Name = st.Text(0);
    value.Type =
        st.Int(1) == static_cast<int>(ValueType::Integer) ? ValueType::Integer : ValueType::Text;
    value.Text = st.Text(2);
    value.Number = static_cast<qint32>(st.Int(3));
    return value;
}

// --- SettingsKey ---

std::optional<StoredValue> SettingsKey::Read(const QString& name) const {
    using Statement = SettingsStore::Statement;
    try {
        Statement st =
            store_->Prepare("SELECT name, type, text, num FROM vals WHERE key = ?1 AND fold = ?2");
        st.Bind(1, id_).Bind(2, Fold(name));
        if (st.Step() != SQLITE_ROW) {
            return std::nullopt;
        }
        return SettingsStore::ValueFromRow(st);
    } catch (const StoreError&) {
        return std::nullopt;
    }
}

QString SettingsKey::ReadText(const QString& name) const {
    const auto value = Read(name);
    return value && value->Type == ValueType::Text ? value->Text : QString();
}

qint32 SettingsKey::ReadNumber(const QString& name) const {
    const auto value = Read(name);
    return value && value->Type == ValueType::Integer ? value->Number : 0;
}

bool SettingsKey::ReadFlag(const QString& name) const {
    return ReadNumber(name) != 0;
}

bool SettingsKey::ValueExists(const QString& name) const {
    return Read(name).has_value();
}

std::vector<StoredValue> SettingsKey::Values() const {
    std::vector<StoredValue> values;
    try {
        auto st =
            store_->Prepare("SELECT name, type, text, num FROM vals WHERE key = ?1 ORDER BY fold");
        st.Bind(1, id_);
        while (st.Step() == SQLITE_ROW) {
            values.push_back(SettingsStore::ValueFromRow(st));
        }
    } catch (const StoreError&) {
    }
    return values;
}

QStringList SettingsKey::SubkeyNames() const {
    QStringList names;
    try {
        auto st = store_->Prepare("SELECT name FROM keys WHERE parent = ?1 ORDER BY fold");
        st.Bind(1, id_);
        while (st.Step() == SQLITE_ROW) {
            names.append(st.Text(0));
        }
    } catch (const StoreError&) {
    }
    return names;
}

bool SettingsKey::Write(const StoredValue& value) {
    // The first spelling of a name stays, as the registry keeps it.
    auto st = store_->Prepare(
        "INSERT INTO vals(key, name, fold, type, text, num)"
        " SELECT ?1, ?2, ?3, ?4, ?5, ?6 WHERE EXISTS(SELECT 1 FROM keys WHERE id = ?1)"
        " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, text = excluded.text,"
        " num = excluded.num");
    st.Bind(1, id_).Bind(2, value.Name).Bind(3, Fold(value.Name));
    st.Bind(4, static_cast<int>(value.Type));
    if (value.Type == ValueType::Text) {
        st.Bind(5, value.Text);
    } else {
        st.Bind(6, value.Number);
    }
    if (st.Step() != SQLITE_DONE) {
        store_->Fail(QStringLiteral("cannot write value \"%1\" of %2").arg(value.Name, path_));
    }
    return sqlite3_changes(store_->db_) > 0;
}

bool SettingsKey::WriteText(const QString& name, const QString& value) {
    return Write({name, ValueType::Text, value, 0});
}

bool SettingsKey::WriteNumber(const QString& name, qint32 value) {
    return Write({name, ValueType::Integer, QString(), value});
}

bool SettingsKey::WriteFlag(const QString& name, bool value) {
    return WriteNumber(name, value ? 1 : 0);
}

bool SettingsKey::DeleteValue(const QString& name) {
    auto st = store_->Prepare("DELETE FROM vals WHERE key = ?1 AND fold = ?2");
    st.Bind(1, id_).Bind(2, Fold(name));
    if (st.Step() != SQLITE_DONE) {
        store_->Fail(QStringLiteral("cannot delete value \"%1\" of %2").arg(name, path_));
    }
    return sqlite3_changes(store_->db_) > 0;
}

} // namespace sievra
