#include "ReplyLedger.h"

#include <QFileInfo>
#include <QUrl>

namespace sievra {

namespace {

const QString Section = QStringLiteral("Replied");

// Percent-encoded, so an address holding "=", ";" or "[" stays one key of the INI text.
QString Key(const QString& address) {
    return QString::fromLatin1(QUrl::toPercentEncoding(address.toCaseFolded()));
}

} // namespace

QString ReplyLedger::PathBeside(const QString& queuePath) {
    return QFileInfo(queuePath).absolutePath() + QStringLiteral("/Replied.ini");
}

ReplyLedger::ReplyLedger(QString path)
    : file_(std::move(path)) {}

void ReplyLedger::Load() {
    last_.clear();
    for (const QString& entry : file_.Read().ReadSection(Section)) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        const QDateTime when = QDateTime::fromString(entry.mid(equals + 1), Qt::ISODate);
        if (equals > 0 && when.isValid()) {
            last_.insert(entry.left(equals).trimmed(), when.toUTC());
        }
    }
}

std::optional<QDateTime> ReplyLedger::LastReplied(const QString& address) const {
    const auto it = last_.find(Key(address));
    return it == last_.end() ? std::nullopt : std::optional(*it);
}

void ReplyLedger::Note(const QStringList& addresses, const QDateTime& when, int keepDays) {
    if (addresses.isEmpty()) {
        return;
    }
    const QString stamp = when.toUTC().toString(Qt::ISODate);
    const QDateTime oldest = when.toUTC().addDays(-keepDays);
    file_.Update([&](IniDocument& doc) {
        doc.DeleteEntriesIf(Section, [&](const QString&, QStringView value) {
            const QDateTime stored = QDateTime::fromString(value.toString(), Qt::ISODate);
            return !stored.isValid() || stored < oldest;
        });
        for (const QString& address : addresses) {
            doc.WriteEntry(Section, Key(address), stamp);
        }
    });
    for (const QString& address : addresses) {
        last_.insert(Key(address), when.toUTC());
    }
}

} // namespace sievra
