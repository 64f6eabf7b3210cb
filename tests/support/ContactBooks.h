#pragma once

#include <QString>
#include <QStringList>

namespace sievra::test {

// One contact as Thunderbird stores it: the vCard (102 and later; empty for older books) and
// the copied properties (empty ones are left out).
struct BookCard {
    QString VCard;
    QString Primary;
    QString Second;
    QString DisplayName;
};

// A vCard 4.0 as Thunderbird writes it: CR LF, the first address marked PREF=1.
QString ThunderbirdVCard(const QString& name, const QStringList& addresses);

// abook.sqlite, abook-N.sqlite or history.sqlite with Thunderbird's schema (user_version 4),
// in write-ahead mode as Thunderbird keeps it, or with a rollback journal.
void WriteThunderbirdBook(const QString& path, const QList<BookCard>& cards, bool wal = true);

// Evolution's contacts.db: the folder_id table with each contact's vCard 3.0, and the
// address list table beside it.
void WriteEvolutionBook(const QString& path, const QStringList& vcards);

} // namespace sievra::test
