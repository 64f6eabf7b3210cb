#pragma once

#include "addressbook/SourceCache.h"
#include "engine/AddressIndex.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace sievra {

// The senders a pass accepts: the union of every contact source (the "WAB File" and the
// "Address Book n" paths) and the allowed senders. Sources whose files did not change since
// the last load are not read again, and the index is rebuilt only when something changed.
class AcceptedSet {
public:
    struct Outcome {
        // False when no source is configured or one could not be read: the pass must end
        // before it deletes anything, since the missing contacts' mail would go.
        bool Ok = false;
        // Status lines in order: one per source read ("Address book: 412 addresses from
        // ..."), and on failure the line that names the source and its reason.
        QStringList Lines;
    };

    Outcome Load(const QString& wabFile, const QStringList& sources, const QStringList& allowed);

    const AddressIndex& Index() const { return index_; }
    // No address and no domain entry: nothing would be accepted but by a code word.
    bool IsEmpty() const { return empty_; }
    // What each source gave at the last load, by path (failed sources are absent).
    const QHash<QString, qsizetype>& CountsByPath() const { return counts_; }
    // A digest of every address and allowed-sender entry the index holds, in order: it changes
    // whenever the accepted senders may have.
    const QByteArray& Fingerprint() const { return fingerprint_; }

private:
    QStringList Configured(const QString& wabFile, const QStringList& sources) const;
    void Rebuild(const std::vector<const SourceContacts*>& read, const QStringList& allowed);

    SourceCache cache_;
    AddressIndex index_;
    QByteArray fingerprint_;
    QHash<QString, qsizetype> counts_;
    // What the index was built from; a different list rebuilds it.
    QStringList builtSources_;
    QStringList builtAllowed_;
    bool built_ = false;
    bool empty_ = true;
};

// "Address book: 412 addresses from Thunderbird: Personal Address Book".
QString SourceCountLine(const SourceContacts& source);
// "Allowed senders: 3", with the entries that are neither an address nor a domain counted.
QString AllowedSendersLine(const QStringList& allowed);
// The red line that names a source that could not be read, and why.
QString SourceErrorLine(const SourceContacts& source, bool asWab);

} // namespace sievra
