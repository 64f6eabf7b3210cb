// Every kind of contact source, read from files made the way their programs write them.
#include "addressbook/ContactDiscovery.h"
#include "addressbook/ContactSource.h"
#include "addressbook/SourceCache.h"
#include "addressbook/VCardReader.h"
#include "tests/support/ContactBooks.h"
#include "tests/support/TestHome.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace sievra;
using namespace sievra::test;

namespace {

QStringList Addresses(const ContactList& contacts) {
    QStringList out;
    for (const Contact& c : contacts) {
        out.append(c.Address);
    }
    return out;
}

QStringList Names(const ContactList& contacts) {
    QStringList out;
    for (const Contact& c : contacts) {
        out.append(c.DisplayName);
    }
    return out;
}

struct VCardCase {
    const char* What;
    QByteArray Text;
    QStringList Addresses;
    QStringList Names;
    int BadCards;
};

TEST(VCardReader, VariantsOfTheThreeVersions) {
    const QList<VCardCase> cases = {
        {"2.1 with quoted-printable and a charset on the name",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J="
         "FC"
         "rgen\r\nEMAIL;INTERNET;PREF:juergen@example.de\r\nEND:VCARD\r\n",
         {"juergen@example.de"},
         {QString::fromUtf8("J\xC3\xBCrgen M\xC3\xBCller")},
         0},
        {"2.1 quoted-printable soft line break",
         "BEGIN:VCARD\nVERSION:2.1\nFN;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:Ren=C3=A9e =\nLong"
         "\nEMAIL:renee@example.fr\nEND:VCARD\n",
         {"renee@example.fr"},
         {QString::fromUtf8("Ren\xC3\xA9"
                            "e Long")},
         0},
        {"3.0 from an Apple export: group prefix and parameters, many cards",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna Berg\r\nitem1.EMAIL;type=INTERNET;type=pref:"
         "anna@example.se\r\nitem1.X-ABLabel:_$!<Other>!$_\r\nEMAIL;TYPE=WORK:anna.berg@work."
         "example\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:Nilsson;Fredrik;;;\r\nEMAIL:"
         "fredrik@example.com\r\nEND:VCARD\r\n",
         {"anna@example.se", "anna.berg@work.example", "fredrik@example.com"},
         {"Anna Berg", "Anna Berg", "Fredrik Nilsson"},
         0},
        {"4.0 with a byte order mark, folded lines, an escaped comma and LF ends",
         "\xEF\xBB\xBF"
         "BEGIN:VCARD\nVERSION:4.0\nFN:Doe\\, Jane\nEMAIL;PREF=1;TYPE=\"work,voice\":jane.doe@exa\n"
         " mple.org\nEND:VCARD\n",
         {"jane.doe@example.org"},
         {"Doe, Jane"},
         0},
        {"broken cards are skipped and counted, the rest still counts",
         "BEGIN:VCARD\nVERSION:3.0\nFN:No end\nEMAIL:lost@example.org\nBEGIN:VCARD\nVERSION:3.0\n"
         "FN:Garbled\nthis line is no property\nEMAIL:garbled@example.org\nEND:VCARD\nBEGIN:VCARD"
         "\nVERSION:3.0\nFN:Good\nEMAIL:good@example.org\nEND:VCARD\nBEGIN:VCARD\nEMAIL:cut@exam",
         {"good@example.org"},
         {"Good"},
         3},
    };
    for (const VCardCase& c : cases) {
        const VCardBatch batch = ReadVCards(c.Text);
        EXPECT_EQ(Addresses(batch.Contacts), c.Addresses) << c.What;
        EXPECT_EQ(Names(batch.Contacts), c.Names) << c.What;
        EXPECT_EQ(batch.BadCards, c.BadCards) << c.What;
    }
}

class ContactSources : public testing::Test {
protected:
    TestHome home;

    QString Profile() const { return home.Path() + "/.thunderbird/abcd.default-release"; }
};

TEST_F(ContactSources, ThunderbirdBooksInBothPropertyStyles) {
    const QString pab = Profile() + "/abook.sqlite";
    WriteThunderbirdBook(pab,
                         {{ThunderbirdVCard("Jane Doe", {"jane@example.org", "j.doe@work.example",
                                                         "third@only-in-vcard.example"}),
                           "jane@example.org", "j.doe@work.example", "Jane Doe"},
                          {"", "old.style@example.net", "second@example.net", "Old Style"},
                          {"", "not an address", "", "Broken"}});
    const SourceContacts read = ReadContactSource(pab);
    ASSERT_TRUE(read.Ok()) << read.Error.toStdString();
    EXPECT_EQ(read.Label, "Thunderbird: Personal Address Book");
    EXPECT_EQ(Addresses(read.Contacts),
              QStringList({"jane@example.org", "j.doe@work.example", "third@only-in-vcard.example",
                           "old.style@example.net", "second@example.net"}));
    EXPECT_EQ(read.Contacts.back().DisplayName, "Old Style");

    // A CardDAV book is named in prefs.js; collected addresses have their own name.
    home.WriteFile(".thunderbird/abcd.default-release/prefs.js",
                   "user_pref(\"ldap_2.servers.carddav.description\", \"Family (CardDAV)\");\n"
                   "user_pref(\"ldap_2.servers.carddav.dirType\", 102);\n"
                   "user_pref(\"ldap_2.servers.carddav.filename\", \"abook-1.sqlite\");\n");
    WriteThunderbirdBook(Profile() + "/abook-1.sqlite",
                         {{ThunderbirdVCard("Mum", {"mum@family.example"}), "", "", ""}});
    WriteThunderbirdBook(Profile() + "/history.sqlite",
                         {{ThunderbirdVCard("Shop", {"orders@shop.example"}), "", "", ""}});
    EXPECT_EQ(ReadContactSource(Profile() + "/abook-1.sqlite").Label,
              "Thunderbird: Family (CardDAV)");
    EXPECT_EQ(ReadContactSource(Profile() + "/history.sqlite").Label,
              "Thunderbird: Collected Addresses");
}

// Thunderbird keeps its books open; a write in progress must neither block us nor be seen.
TEST_F(ContactSources, ThunderbirdBookReadsWhileAnotherHoldsAWrite) {
    for (const bool wal : {true, false}) {
        const QString path = home.Path() + (wal ? "/wal.sqlite" : "/journal.sqlite");
        WriteThunderbirdBook(path, {{"", "kept@example.org", "", "Kept"}}, wal);
        sqlite3* writer = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &writer), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(writer,
                               "BEGIN IMMEDIATE; INSERT INTO properties VALUES "
                               "('new', 'PrimaryEmail', 'uncommitted@example.org');",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        const SourceContacts read = ReadContactSource(path);
        EXPECT_TRUE(read.Ok()) << (wal ? "WAL: " : "journal: ") << read.Error.toStdString();
        EXPECT_EQ(Addresses(read.Contacts), QStringList({"kept@example.org"}));
        sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
        // A card edited later has rows apart from its first ones; they are still one card.
        ASSERT_EQ(sqlite3_exec(writer,
                               "INSERT INTO properties VALUES "
                               "('other', 'PrimaryEmail', 'other@example.org'), "
                               "('card-0', 'SecondEmail', 'edited@example.org');",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(writer);
        const SourceContacts edited = ReadContactSource(path);
        EXPECT_EQ(Addresses(edited.Contacts),
                  QStringList({"kept@example.org", "edited@example.org", "other@example.org"}));
        EXPECT_EQ(edited.Contacts[1].DisplayName, "Kept");
    }
}

TEST_F(ContactSources, EvolutionBookAndVCardFolder) {
    const QString db = home.DataHome() + "/evolution/addressbook/system/contacts.db";
    WriteEvolutionBook(db, {"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Érik Lang\r\nEMAIL;TYPE=HOME;"
                            "X-EVOLUTION-UI-SLOT=1:erik@example.org\r\nEMAIL;TYPE=WORK;X-EVOLUTION"
                            "-UI-SLOT=2:erik@work.example\r\nEND:VCARD",
                            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Broken\r\nEMAIL:x@y.example"});
    const SourceContacts evolution = ReadContactSource(db);
    ASSERT_TRUE(evolution.Ok()) << evolution.Error.toStdString();
    EXPECT_EQ(evolution.Label, "Evolution: Personal");
    EXPECT_EQ(Addresses(evolution.Contacts),
              QStringList({"erik@example.org", "erik@work.example"}));
    EXPECT_EQ(evolution.Contacts.front().DisplayName, QString::fromUtf8("Érik Lang"));
    EXPECT_EQ(evolution.Skipped, 1);

    const QString folder = home.DataHome() + "/contacts";
    WriteTestFile(folder + "/a1.vcf",
                  "BEGIN:VCARD\nVERSION:4.0\nFN:A\nEMAIL:a@example.org\nEND:VCARD\n");
    WriteTestFile(folder + "/b2.vcf",
                  "BEGIN:VCARD\nVERSION:3.0\nFN:B\nEMAIL:b@example.org\nEND:VCARD\n");
    WriteTestFile(folder + "/.directory", "[Desktop Entry]\nIcon=contacts\n");
    const SourceContacts kde = ReadContactSource(folder);
    ASSERT_TRUE(kde.Ok()) << kde.Error.toStdString();
    EXPECT_EQ(kde.Label, "vCard folder: contacts");
    EXPECT_EQ(Addresses(kde.Contacts), QStringList({"a@example.org", "b@example.org"}));

    // The wizard offers what exists, Thunderbird's books first.
    WriteThunderbirdBook(Profile() + "/abook.sqlite", {});
    home.WriteFile(".thunderbird/profiles.ini",
                   "[Profile0]\nName=default\nIsRelative=1\nPath=abcd.default-release\n");
    const auto found = DiscoverContactSources({home.Path(), home.DataHome()});
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].Label, "Thunderbird: Personal Address Book");
    EXPECT_EQ(found[1].Path, db);
    EXPECT_EQ(found[2].Path, folder);
}

TEST_F(ContactSources, KindComesFromContentAndUnknownFilesAreNamedErrors) {
    const QString vcf =
        home.WriteFile("named.wab", "BEGIN:VCARD\nEMAIL:v@example.org\nEND:VCARD\n");
    EXPECT_EQ(Addresses(ReadContactSource(vcf).Contacts), QStringList({"v@example.org"}));
    const QString text = home.WriteFile("contacts.vcf", "just some notes\n");
    EXPECT_EQ(ReadContactSource(text).Error, "not an address book Sievra knows");
    EXPECT_EQ(ReadContactSource(home.Path() + "/gone.vcf").Error, "no such file or folder");
    const QString damaged = home.WriteFile("abook.sqlite", QByteArray("SQLite format 3\0", 16) +
                                                               QByteArray(200, '\x7f'));
    EXPECT_FALSE(ReadContactSource(damaged).Ok());
}

TEST_F(ContactSources, UnchangedSourceIsNotReadAgain) {
    const QString path =
        home.WriteFile("book.vcf", "BEGIN:VCARD\nEMAIL:one@example.org\nEND:VCARD\n");
    SourceCache cache;
    bool reused = true;
    EXPECT_EQ(cache.Load(path, false, reused).Contacts.size(), 1u);
    EXPECT_FALSE(reused);

    // Same size and time: the content is taken as unchanged and not read.
    const QDateTime stamp = QFileInfo(path).lastModified();
    home.WriteFile("book.vcf", "BEGIN:VCARD\nEMAIL:two@example.org\nEND:VCARD\n");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();
    EXPECT_EQ(cache.Load(path, false, reused).Contacts.front().Address, "one@example.org");
    EXPECT_TRUE(reused);

    home.WriteFile("book.vcf", "BEGIN:VCARD\nEMAIL:three@example.org\nEND:VCARD\n");
    EXPECT_EQ(cache.Load(path, false, reused).Contacts.front().Address, "three@example.org");
    EXPECT_FALSE(reused);
    QFile::remove(path);
    EXPECT_FALSE(cache.Load(path, false, reused).Ok()) << "a vanished source is an error";
}

} // namespace
