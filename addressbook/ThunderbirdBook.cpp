// Thunderbird's address books (abook.sqlite, abook-N.sqlite, history.sqlite): a table of
// (card, name, value) properties per contact.
#include "ContactDatabase.h"
#include "PrefsFile.h"
#include "SourceReaders.h"
#include "VCardReader.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <numeric>

namespace sievra {

namespace {

struct Card {
    QByteArray Id;
    bool Joined = false; // its properties went to the card's first run
    QByteArray VCard;
    QString Primary;
    QString Second;
    QString DisplayName;
};

bool ContainsAddress(const ContactList& list, const QString& address) {
    for (const Contact& c : list) {
        if (c.Address.compare(address, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// Thunderbird 102 and later keep every address in the card's vCard and copy the first two
// into PrimaryEmail and SecondEmail; older books have only those two.
void AddCard(ReadOutcome& outcome, const Card& card) {
    ContactList found;
    QString name = card.DisplayName;
    if (!card.VCard.isEmpty()) {
        VCardBatch batch = ReadVCards(card.VCard);
        outcome.Skipped += batch.BadCards;
        found = std::move(batch.Contacts);
        if (name.isEmpty() && !found.empty()) {
            name = found.front().DisplayName;
        }
    }
    for (const QString& extra : {card.Primary, card.Second}) {
        if (!extra.isEmpty() && !ContainsAddress(found, extra)) {
            found.push_back({extra, name});
        }
    }
    for (Contact& c : found) {
        c.DisplayName = name;
        outcome.Contacts.push_back(std::move(c));
    }
}

// Moves the properties of a card's later runs into its first one (a later row wins, as
// Thunderbird's own reading does) and marks those runs joined.
void JoinSplitCards(std::vector<Card>& cards) {
    std::vector<size_t> order(cards.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return cards[a].Id < cards[b].Id; });
    for (size_t i = 1, first = 0; i < order.size(); ++i) {
        Card& later = cards[order[i]];
        Card& kept = cards[order[first]];
        if (later.Id != kept.Id) {
            first = i;
            continue;
        }
        for (auto [from, to] :
             {std::pair{&later.Primary, &kept.Primary}, std::pair{&later.Second, &kept.Second},
              std::pair{&later.DisplayName, &kept.DisplayName}}) {
            if (!from->isEmpty()) {
                *to = *from;
            }
        }
        if (!later.VCard.isEmpty()) {
            kept.VCard = later.VCard;
        }
        later.Joined = true;
    }
}

} // namespace

ReadOutcome ReadThunderbirdBook(const QString& path) {
    ReadOutcome outcome;
    const auto db = ContactDatabase::Open(path, outcome.Error);
    if (!db) {
        return outcome;
    }
    // A card's properties are stored together, so rows are gathered per run of one card id;
    // the rare card whose rows are apart (edited later) is joined up afterwards. That spares
    // hashing every id, which cost more than reading the rows.
    std::vector<Card> cards;
    const bool read = db->Query(
        QStringLiteral("SELECT card, name, value FROM properties NOT INDEXED WHERE name IN "
                       "('_vCard', 'PrimaryEmail', 'SecondEmail', 'DisplayName')"),
        [&](const QByteArrayView* c, int) {
            if (cards.empty() || c[0] != cards.back().Id) {
                cards.emplace_back();
                cards.back().Id = c[0].toByteArray();
            }
            Card& card = cards.back();
            const QByteArrayView name = c[1];
            if (name == "_vCard") {
                card.VCard = c[2].toByteArray();
            } else if (name == "PrimaryEmail") {
                card.Primary = QString::fromUtf8(c[2]).trimmed();
            } else if (name == "SecondEmail") {
                card.Second = QString::fromUtf8(c[2]).trimmed();
            } else {
                card.DisplayName = QString::fromUtf8(c[2]).trimmed();
            }
        },
        outcome.Error);
    if (!read) {
        outcome.Error = QStringLiteral("damaged (%1)").arg(outcome.Error);
        return outcome;
    }
    JoinSplitCards(cards);
    outcome.Contacts.reserve(cards.size());
    for (const Card& card : cards) {
        if (!card.Joined) {
            AddCard(outcome, card);
        }
    }
    return outcome;
}

// prefs.js names each book by ldap_2.servers.<id>.filename and .description; the two
// built-in books carry a localisation reference instead of a name until the user renames them.
QString ThunderbirdBookName(const QString& path) {
    const QFileInfo info(path);
    const QString file = info.fileName();
    QString name;
    if (const auto prefs = PrefsFile::Read(info.dir().filePath(QStringLiteral("prefs.js")))) {
        const QString prefix = QStringLiteral("ldap_2.servers.");
        for (const QString& key : prefs->Names()) {
            if (key.startsWith(prefix) && key.endsWith(QLatin1String(".filename")) &&
                prefs->Text(key) == file) {
                const QString server = key.chopped(int(QStringLiteral(".filename").size()));
                name = prefs->Text(server + QStringLiteral(".description"));
                break;
            }
        }
    }
    if (!name.isEmpty() && !name.startsWith(QLatin1String("chrome://"))) {
        return name;
    }
    if (file == QLatin1String("abook.sqlite")) {
        return QStringLiteral("Personal Address Book");
    }
    if (file == QLatin1String("history.sqlite")) {
        return QStringLiteral("Collected Addresses");
    }
    return info.completeBaseName();
}

} // namespace sievra
