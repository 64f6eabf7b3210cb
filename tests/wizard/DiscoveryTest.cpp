#include "addressbook/PrefsFile.h"
#include "addressbook/ThunderbirdProfile.h"
#include "tests/wizard/QtPrinters.h"
#include "tests/wizard/ThunderbirdHome.h"
#include "wizard/AccountDiscovery.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace sievra;
using namespace sievra::test;

namespace {

QString Accounts(const QStringList& ids) {
    return Pref(QStringLiteral("mail.accountmanager.accounts"), ids.join(QLatin1Char(',')));
}

QString DefaultAccount(const QString& id) {
    return Pref(QStringLiteral("mail.accountmanager.defaultaccount"), id);
}

AccountList Discover(const ThunderbirdHome& home) {
    AccountList list;
    DiscoverAccounts(home.Path(), list);
    return list;
}

TEST(PrefsFileTest, ReadsTextsNumbersAndFlagsAndSkipsWhatIsNotAPref) {
    const PrefsFile prefs =
        PrefsFile::Parse("// comment user_pref(\"not.this\", 1);\n"
                         "user_pref(\"a.text\", \"say \\\"hi\\\" \\\\ there\");\n"
                         "  user_pref( \"a.number\" , -42 ) ;\n"
                         "user_pref(\"a.flag\", true);\n"
                         "user_pref(\"a.unicode\", \"Gr\\u00fc\xc3\x9f"
                         "e\");\n"
                         "user_pref(\"broken\", \"no end);\n"
                         "user_pref(\"a.number\", 7);\n");
    EXPECT_EQ(prefs.Text("a.text"), "say \"hi\" \\ there");
    EXPECT_EQ(prefs.Number("a.number"), 7) << "the last line for a name wins";
    EXPECT_EQ(prefs.Number("a.flag"), 1);
    EXPECT_EQ(prefs.Text("a.unicode"), QString::fromUtf8("Grüße"));
    EXPECT_EQ(prefs.Text("a.number"), "") << "a number is no text";
    EXPECT_FALSE(prefs.Number("a.text").has_value());
    EXPECT_FALSE(prefs.Contains("broken"));
    EXPECT_FALSE(prefs.Contains("not.this"));
}

TEST(ThunderbirdProfileTest, DefaultProfileOfEachKindOfProfilesIni) {
    ThunderbirdHome home;
    EXPECT_EQ(FindDefaultProfile(home.Path()), "") << "Thunderbird never ran";

    // Older profiles.ini: the profile marked Default=1, relative or absolute.
    home.WriteFile("snap/thunderbird/common/.thunderbird/profiles.ini",
                   "[Profile0]\nName=a\nIsRelative=1\nPath=a.first\n"
                   "[Profile1]\nName=b\nIsRelative=1\nPath=b.second\nDefault=1\n");
    home.WriteFile("snap/thunderbird/common/.thunderbird/b.second/prefs.js", "");
    EXPECT_EQ(FindDefaultProfile(home.Path()),
              home.Path() + "/snap/thunderbird/common/.thunderbird/b.second");

    const QString elsewhere = home.WriteFile("elsewhere/p/prefs.js", "");
    home.WriteFile(".var/app/org.mozilla.Thunderbird/.thunderbird/profiles.ini",
                   "[Profile0]\nIsRelative=0\nPath=" + (home.Path() + "/elsewhere/p").toUtf8() +
                       "\n");
    EXPECT_EQ(DefaultProfileIn(home.Path() + "/.var/app/org.mozilla.Thunderbird/.thunderbird"),
              QFileInfo(elsewhere).absolutePath());

    // ~/.thunderbird comes first, and its installation default beats Default=1.
    home.WriteProfile({});
    EXPECT_EQ(FindDefaultProfile(home.Path()), home.Path() + "/.thunderbird/abcd.default-release");
}

TEST(AccountDiscoveryTest, PopAccountsDefaultFirstThenPlaceholdersAfterTheLargestNumber) {
    ThunderbirdHome home;
    QStringList prefs{Accounts({"account1", "account2", "account3", "account7"}),
                      DefaultAccount("account3")};
    prefs += AccountPrefs(1, "pop3", "Home mail", "pop.home.example", "anna", "smtp1");
    prefs += AccountPrefs(2, "imap", "Work", "imap.work.example", "a.berg", "smtp1");
    prefs += AccountPrefs(3, "pop3", "Club", "pop.club.example", "anna.b", "");
    prefs += AccountPrefs(7, "none", "Local Folders", "Local Folders", "nobody", "");
    prefs += Pref("mail.server.server3.port", 995);
    prefs += Pref("mail.smtp.defaultserver", "smtp2");
    prefs += SmtpPrefs("smtp1", "smtp.home.example", 587, "anna", -1);
    prefs += SmtpPrefs("smtp2", "mail.club.example", 0, "", 1);
    home.WriteProfile(prefs);

    const AccountList list = Discover(home);
    ASSERT_EQ(list.Count(), 13);
    const WizardAccount& club = list[0];
    EXPECT_EQ(club.KeyName, "00000003");
    EXPECT_EQ(club.AccountName, "Club");
    EXPECT_EQ(club.Pop3Server, "pop.club.example");
    EXPECT_EQ(club.Pop3Port, "995");
    EXPECT_EQ(club.Pop3User, "anna.b");
    EXPECT_EQ(club.Pop3Timeout, "60");
    EXPECT_EQ(club.SmtpServer, "mail.club.example") << "the default outgoing server";
    EXPECT_EQ(club.SmtpPort, "25");
    EXPECT_EQ(club.SmtpAddress, "anna.b@example.org");
    EXPECT_EQ(club.SmtpDisplayName, "Owner 3");
    EXPECT_EQ(club.SmtpTimeout, "60");
    EXPECT_EQ(club.Pop3Password, "");
    EXPECT_EQ(club.CodeWords, "");
    EXPECT_TRUE(club.Checked);

    const WizardAccount& homeMail = list[1];
    EXPECT_EQ(homeMail.KeyName, "00000001");
    EXPECT_EQ(homeMail.Pop3Port, "110") << "Thunderbird leaves the standard port out";
    EXPECT_EQ(homeMail.SmtpServer, "smtp.home.example");
    EXPECT_EQ(homeMail.SmtpPort, "587");
    EXPECT_TRUE(homeMail.Checked);

    // The IMAP account and Local Folders are not offered; placeholders count on from 7.
    for (int i = 2; i < 13; ++i) {
        const QString id = QStringLiteral("%1").arg(8 + i - 2, 8, 10, QLatin1Char('0'));
        EXPECT_EQ(list[i].KeyName, id);
        EXPECT_EQ(list[i].AccountName, "< unlisted account " + id + " >");
        EXPECT_FALSE(list[i].Checked);
    }
}

TEST(AccountDiscoveryTest, AuthenticationFlagsFollowTheOutgoingServer) {
    ThunderbirdHome home;
    QStringList prefs{Accounts({"account1", "account2", "account3", "account4"}),
                      DefaultAccount("account1")};
    prefs += AccountPrefs(1, "pop3", "Same login", "pop.a", "anna", "smtpA");
    prefs += AccountPrefs(2, "pop3", "Own login", "pop.b", "bert", "smtpB");
    prefs += AccountPrefs(3, "pop3", "No login", "pop.c", "carl", "smtpC");
    prefs += AccountPrefs(4, "pop3", "No outgoing server", "pop.d", "dora", "");
    prefs += SmtpPrefs("smtpA", "smtp.a", 0, "anna", -1); // Thunderbird's default: password
    prefs += SmtpPrefs("smtpB", "smtp.b", 0, "b.smtp", 4);
    prefs += SmtpPrefs("smtpC", "smtp.c", 0, "carl", 1);
    home.WriteProfile(prefs);

    const AccountList list = Discover(home);
    ASSERT_GE(list.Count(), 4);
    EXPECT_EQ(list[0].RequiresAuth, "1");
    EXPECT_EQ(list[0].UsePop3Login, "1");
    EXPECT_EQ(list[0].SmtpUser, "anna");
    EXPECT_EQ(list[1].RequiresAuth, "1");
    EXPECT_EQ(list[1].UsePop3Login, "0");
    EXPECT_EQ(list[1].SmtpUser, "b.smtp");
    EXPECT_EQ(list[2].RequiresAuth, "0");
    EXPECT_EQ(list[2].UsePop3Login, "0") << "no login at all, though the names match";
    EXPECT_EQ(list[3].RequiresAuth, "0");
    EXPECT_EQ(list[3].SmtpServer, "");
}

TEST(AccountDiscoveryTest, ADefaultAccountOfAnotherKindIsListedWithoutPop3Values) {
    ThunderbirdHome home;
    QStringList prefs{Accounts({"account2", "account5"}), DefaultAccount("account5")};
    prefs += AccountPrefs(2, "pop3", "Pop", "pop.example", "pia", "");
    prefs += AccountPrefs(5, "imap", "Imap default", "imap.example", "ida", "smtp1");
    prefs += SmtpPrefs("smtp1", "smtp.example", 465, "ida", 3);
    home.WriteProfile(prefs);

    const AccountList list = Discover(home);
    EXPECT_EQ(list[0].KeyName, "00000005");
    EXPECT_EQ(list[0].Pop3Server, "");
    EXPECT_EQ(list[0].Pop3User, "");
    EXPECT_EQ(list[0].Pop3Port, "110");
    EXPECT_EQ(list[0].SmtpServer, "smtp.example");
    EXPECT_EQ(list[0].UsePop3Login, "0");
    EXPECT_TRUE(list[0].Checked);
    EXPECT_EQ(list[1].KeyName, "00000002");
    EXPECT_EQ(list[2].KeyName, "00000006");
}

// Thunderbird's socket types: 2 is STARTTLS, 3 TLS, anything else none; an account without one
// (and without a default) follows its port when it is written.
TEST(AccountDiscoveryTest, SocketTypesBecomeTheSecurity) {
    ThunderbirdHome home;
    QStringList prefs{Accounts({"account1", "account2", "account3", "account4"}),
                      DefaultAccount("account1")};
    prefs += AccountPrefs(1, "pop3", "Tls", "pop.one", "one", "smtp1");
    prefs += Pref("mail.server.server1.socketType", 3);
    prefs += Pref("mail.server.server1.port", 995);
    prefs += SmtpPrefs("smtp1", "smtp.one", 465, "one", 3);
    prefs += Pref("mail.smtpserver.smtp1.try_ssl", 3);
    prefs += AccountPrefs(2, "pop3", "StartTls", "pop.two", "two", "smtp2");
    prefs += Pref("mail.server.server2.socketType", 2);
    prefs += SmtpPrefs("smtp2", "smtp.two", 587, "two", 3);
    prefs += Pref("mail.smtpserver.smtp2.try_ssl", 2);
    prefs += AccountPrefs(3, "pop3", "Opportunistic", "pop.three", "three", "smtp3");
    prefs += Pref("mail.server.server3.socketType", 1);
    prefs += SmtpPrefs("smtp3", "smtp.three", 25, "three", 3);
    prefs += Pref("mail.smtpserver.smtp3.try_ssl", 0);
    prefs += AccountPrefs(4, "pop3", "Unsaid", "pop.four", "four", "smtp4");
    prefs += SmtpPrefs("smtp4", "smtp.four", 465, "four", 3);
    home.WriteProfile(prefs);

    const AccountList list = Discover(home);
    const QStringList pop3 = {list[0].Pop3Security, list[1].Pop3Security, list[2].Pop3Security,
                              list[3].Pop3Security};
    const QStringList smtp = {list[0].SmtpSecurity, list[1].SmtpSecurity, list[2].SmtpSecurity,
                              list[3].SmtpSecurity};
    EXPECT_EQ(pop3, QStringList({"2", "1", "0", ""}));
    EXPECT_EQ(smtp, QStringList({"2", "1", "0", ""}));
    EXPECT_EQ(EffectiveSecurity(list[3].SmtpSecurity, list[3].SmtpPort, 465), 2);
    EXPECT_EQ(list[4].Pop3Security, "") << "placeholders follow their port";

    // Thunderbird's defaults count where an account has no value of its own.
    prefs += Pref("mail.server.default.socketType", 3);
    prefs += Pref("mail.smtpserver.default.try_ssl", 2);
    home.WriteProfile(prefs);
    const AccountList withDefaults = Discover(home);
    EXPECT_EQ(withDefaults[3].Pop3Security, "2");
    EXPECT_EQ(withDefaults[3].SmtpSecurity, "1");
    EXPECT_EQ(withDefaults[2].Pop3Security, "0") << "its own value wins";
}

TEST(AccountDiscoveryTest, NoProfileOrUnreadablePrefsGiveThirteenPlaceholdersFrom1001) {
    ThunderbirdHome home;
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            // The profile exists but its prefs.js is a folder, not a file.
            home.WriteProfile({});
            QDir(home.Path()).remove(".thunderbird/abcd.default-release/prefs.js");
            QDir(home.Path()).mkpath(".thunderbird/abcd.default-release/prefs.js");
        }
        const AccountList list = Discover(home);
        ASSERT_EQ(list.Count(), 13);
        const WizardAccount& first = list[0];
        EXPECT_EQ(first.KeyName, "00001001");
        EXPECT_EQ(first.AccountName, "< unlisted account 00001001 >");
        // Placeholders are the fields' placeholder text, never values that could be saved.
        EXPECT_EQ(first.Pop3Server, "");
        EXPECT_EQ(first.Pop3Port, "110");
        EXPECT_EQ(first.Pop3User, "");
        EXPECT_EQ(first.SmtpServer, "");
        EXPECT_EQ(first.SmtpPort, "25");
        EXPECT_EQ(first.SmtpAddress, "");
        EXPECT_EQ(first.SmtpDisplayName, "");
        EXPECT_EQ(first.RequiresAuth, "0");
        EXPECT_EQ(first.SmtpUser, "");
        EXPECT_FALSE(first.Checked);
        EXPECT_EQ(list[12].KeyName, "00001013");
    }
}

TEST(AccountDiscoveryTest, AddAccountEntryDefaults) {
    AccountList list;
    list.AddAccountEntry("1", "a", "h", 0, "u", 10, "s", 0, "e", "d", 0, true, false, "su", true);
    list.AddAccountEntry("2", "b", "h", -5, "u", 45, "s", 2525, "e", "d", 29, false, true, "",
                         false);
    EXPECT_EQ(list[0].Pop3Port, "110");
    EXPECT_EQ(list[0].Pop3Timeout, "30");
    EXPECT_EQ(list[0].SmtpPort, "25");
    EXPECT_EQ(list[0].SmtpTimeout, "60");
    EXPECT_EQ(list[0].RequiresAuth, "1");
    EXPECT_EQ(list[0].UsePop3Login, "0");
    EXPECT_EQ(list[1].Pop3Port, "-5");
    EXPECT_EQ(list[1].Pop3Timeout, "45");
    EXPECT_EQ(list[1].SmtpPort, "2525");
    EXPECT_EQ(list[1].SmtpTimeout, "30");
    EXPECT_EQ(list[1].UsePop3Login, "1");
    EXPECT_FALSE(list[1].Checked);
}

} // namespace
