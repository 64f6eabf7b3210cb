#pragma once

#include "Contact.h"

#include <QString>

namespace sievra {

// The kinds of contact source, told apart by their content, never by their names.
enum class SourceKind { Unknown, WabFile, VCardFile, VCardFolder, ThunderbirdBook, EvolutionBook };

// What one source gave.
struct SourceContacts {
    QString Path;
    // How the user knows the source: "Thunderbird: Personal Address Book".
    QString Label;
    // Addresses that passed IsValidAddress, in the source's order, duplicates kept.
    ContactList Contacts;
    // Damaged cards skipped; the rest of the source still counts.
    int Skipped = 0;
    // Why the source could not be read; empty when it was.
    QString Error;

    bool Ok() const { return Error.isEmpty(); }
};

// Reads a source of any kind: a file or a folder, recognised from what it holds.
SourceContacts ReadContactSource(const QString& path);
// Reads the file the "WAB File" value names, which is of that format whatever it holds.
SourceContacts ReadWabSource(const QString& path);

// The kind of source at path; Unknown with the reason in error when it is none we read.
SourceKind DetectSourceKind(const QString& path, QString& error);
// The label of a source of a known kind ("vCard file: friends.vcf").
QString SourceLabel(SourceKind kind, const QString& path);

} // namespace sievra
