#pragma once

#include "Contact.h"

#include <QString>
#include <optional>

namespace sievra {

// The readers of each kind. Each fills contacts (unchecked addresses, with their names),
// counts damaged cards in skipped, and returns false with the reason in error when the
// source as a whole cannot be read.
struct ReadOutcome {
    ContactList Contacts;
    int Skipped = 0;
    QString Error;
};

ReadOutcome ReadVCardFile(const QString& path);
ReadOutcome ReadVCardFolder(const QString& path);
ReadOutcome ReadThunderbirdBook(const QString& path);
ReadOutcome ReadEvolutionBook(const QString& path);

// A book's name as its program shows it: from the profile's prefs.js for Thunderbird, from
// the source's registration for Evolution.
QString ThunderbirdBookName(const QString& path);
QString EvolutionBookName(const QString& path);

// The file's bytes, or nothing with the reason in error (missing, unreadable, too large).
std::optional<QByteArray> ReadWholeFile(const QString& path, QString& error);

} // namespace sievra

namespace sievra {
class ContactDatabase;
// The table that holds an Evolution book's vCards; "" when the database is none.
QString EvolutionVCardTable(const ContactDatabase& db);
} // namespace sievra
