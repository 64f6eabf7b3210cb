#include "JoinedList.h"

#include "SettingsStore.h"
#include "StoreLayout.h"

#include <QDir>

namespace sievra {

namespace {
constexpr qsizetype ChunkLimit = 256;
const QChar Bar = QLatin1Char('|');
} // namespace

QStringList SplitJoined(const QString& joined) {
    QStringList entries = joined.split(Bar);
    entries.removeLast(); // the text after the last bar (or the whole text without one)
    return entries;
}

QString JoinEntries(const QStringList& entries) {
    QString joined;
    for (const QString& entry : entries) {
        joined += entry + Bar;
    }
    return joined;
}

QStringList ChunkEntries(const QStringList& entries) {
    QStringList chunks;
    QString current;
    for (const QString& entry : entries) {
        const QString item = entry + Bar;
        if (current.size() + item.size() > ChunkLimit && !current.isEmpty()) {
            chunks.append(current);
            current.clear();
        }
        current += item;
    }
    if (!current.isEmpty()) {
        chunks.append(current);
    }
    return chunks;
}

QString LoadJoinedList(SettingsStore& store, const QString& keyName, const QString& subkey) {
    const auto key = store.OpenKey(AccountKeyPath(keyName) + QLatin1Char('\\') + subkey);
    if (!key) {
        return QString();
    }
    QString joined;
    for (int n = 1;; ++n) {
        const auto value = key->Read(QString::number(n));
        if (!value) {
            break;
        }
        joined += value->Type == ValueType::Text ? value->Text : QString();
    }
    return joined;
}

QString SaveJoinedList(SettingsStore& store, const QString& keyName, const QString& subkey,
                       const QStringList& entries) {
    const QString path = AccountKeyPath(keyName) + QLatin1Char('\\') + subkey;
    const QStringList chunks = ChunkEntries(entries);
    store.InTransaction([&] {
        // Inside the transaction the key cannot vanish before the writes below.
        auto key = store.OpenKey(path);
        if (!key) {
            throw StoreError(QStringLiteral("Settings file %1: the key %2 does not exist")
                                 .arg(QDir::toNativeSeparators(store.FilePath()), path));
        }
        for (qsizetype i = 0; i < chunks.size(); ++i) {
            key->WriteText(QString::number(i + 1), chunks[i]);
        }
        for (qsizetype n = chunks.size() + 1; key->DeleteValue(QString::number(n)); ++n) {
        }
    });
    return JoinEntries(entries);
}

} // namespace sievra
