// Takes the pictures of the wizard's pages shown in docs/: run it under a real X server
// (scripts/wizard-screenshots.sh uses Xvfb) with the output folder as its argument.
#include "tests/support/ContactBooks.h"
#include "tests/wizard/AddressBookWriter.h"
#include "tests/wizard/RecordingPrompts.h"
#include "tests/wizard/ThunderbirdHome.h"
#include "wizard/TfrmWizard.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>

using namespace sievra;
using namespace sievra::test;

namespace {

void WriteSampleProfile(ThunderbirdHome& home) {
    QStringList prefs{Pref("mail.accountmanager.accounts", "account1,account2,account4"),
                      Pref("mail.accountmanager.defaultaccount", "account1")};
    prefs += AccountPrefs(1, "pop3", "Home (anna@example.org)", "pop.example.org", "anna", "smtp1");
    prefs += Pref("mail.identity.id1.useremail", "anna@example.org");
    prefs += Pref("mail.identity.id1.fullName", "Anna Lindqvist");
    prefs += AccountPrefs(2, "pop3", "Choir (news@choir.example)", "mail.choir.example",
                          "news@choir.example", "smtp2");
    prefs += AccountPrefs(4, "imap", "Work", "imap.work.example", "a.lindqvist", "smtp2");
    prefs += SmtpPrefs("smtp1", "smtp.example.org", 587, "anna", 3);
    prefs += SmtpPrefs("smtp2", "mail.choir.example", 0, "", 1);
    home.WriteProfile(prefs);
}

QList<BookRecord> SampleContacts() {
    return {{"anders.berg@example.net", QStringLiteral("Anders Berg")},
            {"cecilia@larsson.example", QStringLiteral("Cecilia Larsson")},
            {"board@choir.example", QStringLiteral("Choir Board - St. Mary's Chamber Singers")},
            {"dr.ekholm@clinic.example", QStringLiteral("Dr. Maria Ekholm")},
            {"fredrik.nilsson@example.com", QStringLiteral("Fredrik Nilsson")},
            {"grandma@example.org", QStringLiteral("Grandma")},
            {"invoices@hardware.example", QStringLiteral("Hardware Store Invoices")},
            {"j.olsen@example.net", QStringLiteral("Jonas Olsen")}};
}

// Thunderbird's personal book and collected addresses, and KDE's contacts folder.
void WriteSampleBooks(const ThunderbirdHome& home) {
    QList<BookCard> cards;
    for (const BookRecord& r : SampleContacts()) {
        cards.append({ThunderbirdVCard(r.Name.value_or(QString()), {r.Address}), r.Address, "",
                      r.Name.value_or(QString())});
    }
    const QString profile = home.Path() + "/.thunderbird/abcd.default-release/";
    WriteThunderbirdBook(profile + "abook.sqlite", cards);
    WriteThunderbirdBook(
        profile + "history.sqlite",
        {{ThunderbirdVCard("Parish Office", {"office@parish.example"}), "", "", ""}});
    home.WriteFile("apps/contacts/kim.vcf",
                   "BEGIN:VCARD\nVERSION:3.0\nFN:Kim Sandberg\nEMAIL:kim@sandberg.example\n"
                   "END:VCARD\n");
}

// Saves the window as wizard-pageN.png when page N was asked for.
bool Shoot(QWidget* window, const QString& folder, const QList<int>& wanted, int page) {
    if (!wanted.contains(page)) {
        return true;
    }
    QTest::qWait(150);
    const QString path = QDir(folder).filePath(QStringLiteral("wizard-page%1.png").arg(page));
    if (!window->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [PAGE...]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QList<int> wanted;
    for (int i = 2; i < argc; ++i) {
        wanted.append(QString::fromLocal8Bit(argv[i]).toInt());
    }
    if (wanted.isEmpty()) {
        wanted = {1, 2, 5, 7, 8};
    }
    QDir().mkpath(folder);

    ThunderbirdHome home;
    WriteSampleProfile(home);
    const QString book =
        home.WriteFile("Documents/contacts.wab", BuildAddressBook(SampleContacts()));
    WriteSampleBooks(home);
    const QString mailer = home.WriteFile("apps/applications/thunderbird.desktop",
                                          "[Desktop Entry]\nExec=/bin/sh %u\n");
    qputenv("XDG_DATA_HOME", (home.Path() + "/apps").toUtf8());

    auto prompts = std::make_shared<RecordingPrompts>();
    prompts->ChosenFile = book;
    WizardEnvironment env;
    env.Home = home.Path();
    env.Run = [](const QString&, const QStringList&) {
        return std::optional<QString>(QStringLiteral("thunderbird.desktop"));
    };
    env.Prompts = prompts;
    TfrmWizard wizard(env);
    wizard.show();
    const WizardControls& c = wizard.Controls();
    bool ok = Shoot(&wizard, folder, wanted, 1);
    c.butNext->click();
    ok = Shoot(&wizard, folder, wanted, 2) && ok;
    c.butNext->click();
    ok = Shoot(&wizard, folder, wanted, 3) && ok;
    c.butNext->click();
    ok = Shoot(&wizard, folder, wanted, 4) && ok;
    c.butNext->click();
    ok = Shoot(&wizard, folder, wanted, 5) && ok;
    c.butNext->click();
    ok = Shoot(&wizard, folder, wanted, 6) && ok;
    c.butNext->click();
    c.memCodeWords->setPlainText(QStringLiteral("bluekestrel\nharbour7\nsopranos"));
    c.memHints->setPlainText(QStringLiteral("The bird on our kitchen calendar\n"
                                            "Where we sailed last summer, and the month\n"
                                            "What we sing on Thursdays"));
    ok = Shoot(&wizard, folder, wanted, 7) && ok;
    for (int page = wizard.CurrentPage(); page != 8 && page != 0; page = wizard.CurrentPage()) {
        if (page == 7 && c.memCodeWords->toPlainText().isEmpty()) {
            c.memCodeWords->setPlainText(QStringLiteral("sopranos"));
        }
        c.butNext->click();
    }
    ok = Shoot(&wizard, folder, wanted, 8) && ok;
    return ok ? 0 : 1;
}
