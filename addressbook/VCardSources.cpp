// vCard files and folders of one card per file (KDE's contacts, vdirsyncer, khard).
#include "SourceReaders.h"
#include "VCardReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sievra {

namespace {

// Far beyond any real book; a file this big is read as a mistake rather than into memory.
constexpr qint64 MaxFileBytes = qint64(512) << 20;

void Take(ReadOutcome& outcome, VCardBatch&& batch) {
    outcome.Skipped += batch.BadCards;
    if (outcome.Contacts.empty()) {
        outcome.Contacts = std::move(batch.Contacts);
        return;
    }
    outcome.Contacts.insert(outcome.Contacts.end(), std::make_move_iterator(batch.Contacts.begin()),
                            std::make_move_iterator(batch.Contacts.end()));
}

} // namespace

std::optional<QByteArray> ReadWholeFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.exists() ? QStringLiteral("cannot be read (%1)").arg(file.errorString())
                              : QStringLiteral("no such file");
        return std::nullopt;
    }
    if (file.size() > MaxFileBytes) {
        error = QStringLiteral("too large to be an address book");
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QStringLiteral("cannot be read (%1)").arg(file.errorString());
        return std::nullopt;
    }
    return bytes;
}

ReadOutcome ReadVCardFile(const QString& path) {
    ReadOutcome outcome;
    const std::optional<QByteArray> bytes = ReadWholeFile(path, outcome.Error);
    if (bytes) {
        Take(outcome, ReadVCards(*bytes));
    }
    return outcome;
}

// Every file that holds cards counts, whatever its name; other files (a sync tool's state,
// a desktop's folder settings) are no contacts and are passed over.
ReadOutcome ReadVCardFolder(const QString& path) {
    ReadOutcome outcome;
    const QDir dir(path);
    if (!dir.exists()) {
        outcome.Error = QStringLiteral("no such folder");
        return outcome;
    }
    if (!QFileInfo(path).isReadable()) {
        outcome.Error = QStringLiteral("cannot be read");
        return outcome;
    }
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& info : files) {
        QString error;
        const std::optional<QByteArray> bytes = ReadWholeFile(info.filePath(), error);
        if (!bytes) {
            outcome.Error = info.fileName() + QLatin1Char(' ') + error;
            return outcome;
        }
        if (LooksLikeVCard(*bytes)) {
            Take(outcome, ReadVCards(*bytes));
        }
    }
    return outcome;
}

} // namespace sievra
