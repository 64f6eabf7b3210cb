#include "AcceptedSet.h"

#include "addressbook/AddressBook.h"
#include "addressbook/SenderEntry.h"

#include <QCryptographicHash>

namespace sievra {

QString SourceCountLine(const SourceContacts& source) {
    const qsizetype n = qsizetype(source.Contacts.size());
    QString line = QStringLiteral("Address book: %1 %2 from %3")
                       .arg(n)
                       .arg(n == 1 ? QStringLiteral("address") : QStringLiteral("addresses"))
                       .arg(source.Label);
    if (source.Skipped > 0) {
        line += QStringLiteral(" (%1 damaged %2 skipped)")
                    .arg(source.Skipped)
                    .arg(source.Skipped == 1 ? QStringLiteral("card") : QStringLiteral("cards"));
    }
    return line;
}

QString SourceErrorLine(const SourceContacts& source, bool asWab) {
    // The address book file keeps the line it always had when it cannot be opened.
    if (asWab && (source.Error == QLatin1String("no such file") ||
                  source.Error == QLatin1String("cannot be read"))) {
        return UnableToOpenLine(source.Path);
    }
    return QStringLiteral("<font color=\"clRed\"><B>Unable to read address book ") + source.Path +
           QStringLiteral(": ") + source.Error.toHtmlEscaped() + QStringLiteral("</B>");
}

QString AllowedSendersLine(const QStringList& allowed) {
    qsizetype ignored = 0;
    for (const QString& entry : allowed) {
        ignored += KindOfSenderEntry(entry) == SenderEntryKind::Invalid ? 1 : 0;
    }
    QString line = QStringLiteral("Allowed senders: %1").arg(allowed.size() - ignored);
    if (ignored > 0) {
        line += QStringLiteral(" (%1 ignored: neither an address nor a domain)").arg(ignored);
    }
    return line;
}

QStringList AcceptedSet::Configured(const QString& wabFile, const QStringList& sources) const {
    QStringList paths;
    if (!wabFile.isEmpty()) {
        paths.append(wabFile);
    }
    for (const QString& path : sources) {
        if (!path.trimmed().isEmpty() && !paths.contains(path)) {
            paths.append(path);
        }
    }
    return paths;
}

AcceptedSet::Outcome AcceptedSet::Load(const QString& wabFile, const QStringList& sources,
                                       const QStringList& allowed) {
    Outcome outcome;
    const QStringList paths = Configured(wabFile, sources);
    if (paths.isEmpty() && allowed.isEmpty()) {
        outcome.Lines.append(NoAddressBookLine());
        return outcome;
    }
    cache_.KeepOnly(paths);
    counts_.clear();
    std::vector<const SourceContacts*> read;
    bool changed = !built_ || paths != builtSources_ || allowed != builtAllowed_;
    for (const QString& path : paths) {
        const bool asWab = path == wabFile;
        bool reused = false;
        const SourceContacts& source = cache_.Load(path, asWab, reused);
        if (!source.Ok()) {
            outcome.Lines.append(SourceErrorLine(source, asWab));
            built_ = false; // the set is incomplete until every source reads again
            return outcome;
        }
        outcome.Lines.append(SourceCountLine(source));
        counts_.insert(path, qsizetype(source.Contacts.size()));
        read.push_back(&source);
        changed = changed || !reused;
    }
    if (!allowed.isEmpty()) {
        outcome.Lines.append(AllowedSendersLine(allowed));
    }
    if (changed) {
        Rebuild(read, allowed);
        builtSources_ = paths;
        builtAllowed_ = allowed;
        built_ = true;
    }
    outcome.Ok = true;
    return outcome;
}

void AcceptedSet::Rebuild(const std::vector<const SourceContacts*>& read,
                          const QStringList& allowed) {
    AddressBook all;
    qsizetype total = allowed.size();
    for (const SourceContacts* source : read) {
        total += qsizetype(source->Contacts.size());
    }
    all.reserve(total);
    for (const SourceContacts* source : read) {
        for (const Contact& c : source->Contacts) {
            all.append(c.Address);
        }
    }
    for (const QString& entry : allowed) {
        if (KindOfSenderEntry(entry) != SenderEntryKind::Invalid) {
            all.append(entry);
        }
    }
    index_ = AddressIndex(all);
    QCryptographicHash digest(QCryptographicHash::Sha256);
    for (const QString& entry : all) {
        digest.addData(entry.toUtf8().append('\n'));
    }
    fingerprint_ = digest.result();
    empty_ = index_.AddressCount() == 0 && !index_.HasDomainEntries();
}

} // namespace sievra
