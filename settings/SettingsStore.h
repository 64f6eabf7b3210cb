#pragma once

#include "StoreError.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace sievra {

class SettingsStore;

enum class ValueType { Text = 1, Integer = 2 };

// One named value of a key as it is stored. Flags are integers 0 or 1.
struct StoredValue {
    QString Name;
    ValueType Type = ValueType::Text;
    QString Text;
    qint32 Number = 0;
};

// An opened key. Reads never throw: a missing or wrongly typed value reads as "", 0 or false.
// Writes throw StoreError when the file refuses them and return false when the key has been
// deleted meanwhile (a write into a missing key is skipped).
class SettingsKey {
public:
    const QString& Path() const { return path_; }

    QString ReadText(const QString& name) const;
    qint32 ReadNumber(const QString& name) const;
    bool ReadFlag(const QString& name) const;
    bool ValueExists(const QString& name) const;
    std::optional<StoredValue> Read(const QString& name) const;
    std::vector<StoredValue> Values() const;
    QStringList SubkeyNames() const;

    bool WriteText(const QString& name, const QString& value);
    bool WriteNumber(const QString& name, qint32 value);
    bool WriteFlag(const QString& name, bool value);
    bool Write(const StoredValue& value);
    bool DeleteValue(const QString& name);

private:
    friend class SettingsStore;
    SettingsKey(SettingsStore* store, qint64 id, QString path)
        : store_(store)
        , id_(id)
        , path_(std::move(path)) {}

    SettingsStore* store_;
    qint64 id_;
    QString path_;
};

// The per-user tree of keys and typed values, in one SQLite file shared by every program of
// the product. Key and value names compare without regard to case; subkeys list sorted.
class SettingsStore {
public:
    // $XDG_CONFIG_HOME/sievra/settings.db, or ~/.config/sievra/settings.db.
    static QString DefaultPath();

    // Opens (and when absent, creates) the file. A file that is damaged, of another kind or
    // unreadable raises StoreError and is left exactly as it was.
    explicit SettingsStore(const QString& path = DefaultPath());
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    const QString& FilePath() const { return path_; }

    // Paths are absolute ("\Software\Orlent Software\Sievra"); a missing leading backslash
    // means the same. Without create, a missing key gives nothing.
    std::optional<SettingsKey> OpenKey(const QString& path, bool create = false);
    bool KeyExists(const QString& path);
    // Deletes the key with everything below it; false when it did not exist.
    bool DeleteKey(const QString& path);

    // Runs the work as one transaction; nested calls join the outer one.
    void InTransaction(const std::function<void()>& work);

    static QStringList SplitPath(const QString& path);
    static QString JoinPath(const QStringList& parts);

private:
    friend class SettingsKey;
    class Statement;

    void OpenFile();
    void CreatePrivately();
    void CheckReadable();
    void CreateSchema();
    std::optional<qint64> FindChild(qint64 parent, const QString& name);
    qint64 CreateChild(qint64 parent, const QString& name);
    [[noreturn]] void Fail(const QString& what) const;
    void Exec(const char* sql);
    Statement Prepare(const char* sql);
    static StoredValue ValueFromRow(const Statement& st);

    struct CachedStatement {
        sqlite3_stmt* stmt = nullptr;
        bool inUse = false;
    };

    QString path_;
    sqlite3* db_ = nullptr;
    // Keyed by the address of the SQL literal: every query text is a string constant.
    std::unordered_map<const char*, CachedStatement> cache_;
    int transactionDepth_ = 0;
};

} // namespace sievra
