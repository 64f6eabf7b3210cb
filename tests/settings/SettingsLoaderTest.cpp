#include "settings/SettingsLoader.h"

#include "settings/AccountTable.h"
#include "settings/KnownValues.h"
#include "settings/PasswordCipher.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"
#include "tests/support/TestHome.h"

#include <QFile>
#include <QMap>
#include <QVariant>
#include <gtest/gtest.h>

using namespace sievra;

namespace {

class SettingsLoaderTest : public testing::Test {
protected:
    SettingsKey Product() { return *store.OpenKey(ProductKey, true); }
    SettingsKey AccountKey(const QString& name) {
        return *store.OpenKey(AccountKeyPath(name), true);
    }

    test::TestHome home;
    SettingsStore store;
};

// One row of the README's "Stored values" table, for each name it lists.
struct ReadmeValue {
    QString Type;
    QString Default;
    QString Mark; // "(P)", "(S)" or empty
};

// The README's rows of one key ("`\\Software\\…\\Sievra`" or "`…\\Sievra\\NNNNNNNN`"), by
// lower-cased name.
QMap<QString, ReadmeValue> ReadmeValues(const QString& keyCell) {
    QFile file(QStringLiteral(SIEVRA_SOURCE_DIR "/README.md"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString text = QString::fromUtf8(file.readAll());
    const QString section = text.mid(text.indexOf(QStringLiteral("### Stored values")));
    QMap<QString, ReadmeValue> values;
    for (const QString& line : section.split(QLatin1Char('\n'))) {
        const QStringList cells = line.split(QLatin1Char('|'));
        if (cells.size() < 6 || cells[1].trimmed() != keyCell) {
            continue;
        }
        QString def = cells[4].trimmed();
        def.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        for (QString name : cells[2].split(QLatin1Char(','))) {
            name = name.trimmed();
            QString mark;
            if (name.endsWith(QStringLiteral(" (P)")) || name.endsWith(QStringLiteral(" (S)"))) {
                mark = name.right(3);
                name.chop(4);
            }
            values.insert(name.toLower(), {cells[3].trimmed(), def, mark});
        }
    }
    return values;
}

QString ReadmeType(AccountValueKind kind) {
    switch (kind) {
    case AccountValueKind::Flag:
        return QStringLiteral("flag");
    case AccountValueKind::Number:
    case AccountValueKind::Security:
        return QStringLiteral("integer");
    default:
        return QStringLiteral("text");
    }
}

TEST_F(SettingsLoaderTest, NoProductKeyOrNoAccountFails) {
    EXPECT_FALSE(LoadSettings(store).Ok);
    Product().WriteFlag("AutoRun", true);
    EXPECT_FALSE(LoadSettings(store).Ok) << "product key without account subkeys";
}

TEST_F(SettingsLoaderTest, FirstTimeIsReportedOnceAndResetAtOnce) {
    Product().WriteFlag("First Time", true);
    AccountKey("00000001");
    const LoadedSettings first = LoadSettings(store);
    EXPECT_TRUE(first.Ok);
    EXPECT_TRUE(first.FirstRun);
    EXPECT_FALSE(Product().ReadFlag("First Time"));
    EXPECT_TRUE(Product().ValueExists("First Time"));
    EXPECT_FALSE(LoadSettings(store).FirstRun);
}

TEST_F(SettingsLoaderTest, GlobalValuesAndHeaderLinesUpToTheFirstGap) {
    auto p = Product();
    p.WriteFlag("AutoRun", true);
    p.WriteFlag("Beep", true);
    p.WriteNumber("Visual Alert", 2);
    p.WriteNumber("Interval", 15);
    p.WriteText("WAB File", "/home/u/book.wab");
    p.WriteText("EMail Client", "/usr/bin/thunderbird");
    p.WriteText("Subject", "Your message was deleted!");
    p.WriteText("Header 1", "one");
    p.WriteText("Header 2", "two ");
    p.WriteText("Header 4", "four");
    p.WriteText("Footer 1", "foot");
    AccountKey("00000001");
    const GlobalSettings g = LoadSettings(store).Globals;
    EXPECT_TRUE(g.AutoRun);
    EXPECT_TRUE(g.Beep);
    EXPECT_TRUE(g.VisualAlert);
    EXPECT_FALSE(g.AutoLoad);
    EXPECT_EQ(g.Interval, 15);
    EXPECT_EQ(g.WabFile, "/home/u/book.wab");
    EXPECT_EQ(g.EmailClient, "/usr/bin/thunderbird");
    EXPECT_EQ(g.Subject, "Your message was deleted!");
    EXPECT_EQ(g.HeaderLines, QStringList({"one", "two "}));
    EXPECT_EQ(g.FooterLines, QStringList({"foot"}));
    EXPECT_EQ(g.LearnedSenderDays, 365) << "missing: the default";
    p.WriteNumber("Learned Sender Days", 30);
    EXPECT_EQ(LoadSettings(store).Globals.LearnedSenderDays, 30);
    p.WriteNumber("Learned Sender Days", 0);
    EXPECT_EQ(LoadSettings(store).Globals.LearnedSenderDays, 365) << "0 days would forget all";
}

TEST_F(SettingsLoaderTest, AccountWithoutValuesLoadsEmptyAndInactive) {
    Product();
    AccountKey("00000001");
    const LoadedSettings s = LoadSettings(store);
    ASSERT_EQ(s.Accounts.size(), 1u);
    const Account& a = s.Accounts[0];
    EXPECT_EQ(a.KeyName, "00000001");
    EXPECT_FALSE(a.Active);
    EXPECT_EQ(a.AccountName, "");
    EXPECT_EQ(a.Pop3Password, "");
    EXPECT_EQ(a.Pop3Port, "");
    EXPECT_EQ(a.Pop3Timeout, 0);
    EXPECT_EQ(a.SmtpTimeout, 0);
    EXPECT_FALSE(a.Pop3Tested);
    EXPECT_FALSE(a.SmtpTested);
    EXPECT_EQ(a.CodeWords, "");
    EXPECT_EQ(a.Hints, "");
    EXPECT_TRUE(a.RememberCodeWordSenders) << "stored before the value existed: on";
}

TEST_F(SettingsLoaderTest, FullAccountWithWizardSpellingAndPasswords) {
    Product();
    auto k = AccountKey("00000003");
    k.WriteFlag("Active", true);
    k.WriteText("Account Name", "Home");
    k.WriteText("POP3 Server", "pop.example.org");
    k.WriteText("POP3 Port", "0110");
    k.WriteText("POP3 User Name", "alice");
    k.WriteText("POP3 Password", EncodePassword("pö p"));
    k.WriteFlag("Save POP3 Password", true);
    k.WriteNumber("POP3 Timeout", 45);
    k.WriteFlag("POP3 Tested", true);
    k.WriteText("SMTP Server", "smtp.example.org");
    k.WriteText("SMTP Port", "25");
    k.WriteText("SMTP EMail Address", "alice@example.org");
    k.WriteText("SMTP Display Name", "Alice");
    k.WriteFlag("Requires AUTH", true);
    k.WriteFlag("Use POP3", false);
    k.WriteText("SMTP User name", "alice-smtp");
    k.WriteText("SMTP Password", EncodePassword("s3cret"));
    k.WriteFlag("Save SMTP Password", true);
    k.WriteNumber("SMTP Timeout", 60);
    k.WriteFlag("Remember Code-Word Senders", false);
    store.OpenKey(AccountKeyPath("00000003") + "\\Code Words", true)->WriteText("1", "alpha|beta|");
    store.OpenKey(AccountKeyPath("00000003") + "\\Hints", true)->WriteText("1", "a fruit|");

    const Account a = LoadSettings(store).Accounts.at(0);
    EXPECT_TRUE(a.Active);
    EXPECT_EQ(a.AccountName, "Home");
    EXPECT_EQ(a.Pop3Server, "pop.example.org");
    EXPECT_EQ(a.Pop3Port, "0110");
    EXPECT_EQ(a.Pop3User, "alice");
    EXPECT_EQ(a.Pop3Password, "pö p");
    EXPECT_TRUE(a.SavePop3Password);
    EXPECT_EQ(a.Pop3Timeout, 45);
    EXPECT_TRUE(a.Pop3Tested);
    EXPECT_EQ(a.SmtpServer, "smtp.example.org");
    EXPECT_EQ(a.SmtpAddress, "alice@example.org");
    EXPECT_EQ(a.SmtpDisplayName, "Alice");
    EXPECT_TRUE(a.RequiresAuth);
    EXPECT_FALSE(a.UsePop3Login);
    EXPECT_EQ(a.SmtpUser, "alice-smtp") << "\"SMTP User name\" is \"SMTP User Name\"";
    EXPECT_EQ(a.SmtpPassword, "s3cret");
    EXPECT_EQ(a.CodeWords, "alpha|beta|");
    EXPECT_EQ(a.Hints, "a fruit|");
    EXPECT_FALSE(a.RememberCodeWordSenders);

    // A later write under the other spelling replaces the same value.
    k.WriteText("SMTP User Name", "bob");
    EXPECT_EQ(LoadSettings(store).Accounts.at(0).SmtpUser, "bob");
    EXPECT_EQ(k.Values().size(), 20u);
}

// Every row of the account table, written from one record and loaded back, lands in its own
// field: a row wired to the wrong field or the wrong kind shows up here.
TEST_F(SettingsLoaderTest, EveryTableValueRoundTripsThroughItsField) {
    Account written;
    int n = 0;
    for (const AccountValueRow& row : AccountValueTable()) {
        ++n;
        if (const auto* text = std::get_if<QString Account::*>(&row.Field)) {
            written.** text = QStringLiteral("value %1").arg(n);
        } else if (const auto* flag = std::get_if<bool Account::*>(&row.Field)) {
            written.** flag = true;
        } else {
            written.*std::get<int Account::*>(row.Field) =
                row.Kind == AccountValueKind::Security ? SecurityValue::StartTls : 100 + n;
        }
    }
    auto key = AccountKey("00000001");
    for (const AccountValueRow& row : AccountValueTable()) {
        if (row.Kind == AccountValueKind::Password) {
            key.WriteText(row.Name,
                          EncodePassword(written.*std::get<QString Account::*>(row.Field)));
        } else {
            WriteAccountValue(key, row, written);
        }
    }
    const Account loaded = LoadAccount(store, key, "00000001");
    for (const AccountValueRow& row : AccountValueTable()) {
        const bool same =
            std::visit([&](auto field) { return loaded.*field == written.*field; }, row.Field);
        EXPECT_TRUE(same) << row.Name.toStdString();
    }
    EXPECT_TRUE(loaded.Pop3SecurityStored);
    EXPECT_TRUE(loaded.SmtpSecurityStored);
    // Two rows on one field would round-trip each other's value.
    const QList<AccountValueRow>& table = AccountValueTable();
    for (qsizetype i = 0; i < table.size(); ++i) {
        for (qsizetype j = i + 1; j < table.size(); ++j) {
            EXPECT_FALSE(table[i].Field == table[j].Field)
                << table[i].Name.toStdString() << " / " << table[j].Name.toStdString();
        }
    }
}

// The README's table of stored values names every value of both tables with its type, its
// default and the connection test a change sends it back to, so the two cannot drift apart.
TEST_F(SettingsLoaderTest, TheReadmeNamesEveryStoredValue) {
    const QMap<QString, ReadmeValue> product =
        ReadmeValues(QLatin1Char('`') + ProductKey + QLatin1Char('`'));
    ASSERT_FALSE(product.isEmpty()) << "no \"Stored values\" table in README.md";
    for (const ProductValueRow& row : ProductValueTable()) {
        const auto found = product.find(row.Name.toLower());
        ASSERT_NE(found, product.end()) << row.Name.toStdString() << " is missing";
        EXPECT_EQ(found->Type.toStdString(), ReadmeType(row.Kind).toStdString())
            << row.Name.toStdString();
        EXPECT_EQ(found->Default.toStdString(), row.Default.toStdString())
            << row.Name.toStdString();
    }
    const QMap<QString, ReadmeValue> account =
        ReadmeValues(QStringLiteral("`…\\Sievra\\NNNNNNNN`"));
    for (const AccountValueRow& row : AccountValueTable()) {
        const auto found = account.find(row.Name.toLower());
        ASSERT_NE(found, account.end()) << row.Name.toStdString() << " is missing";
        EXPECT_EQ(found->Type.toStdString(), ReadmeType(row.Kind).toStdString())
            << row.Name.toStdString();
        const QString def = row.Kind == AccountValueKind::Certificate ? QString()
                            : StoredAsText(row.Kind)                  ? row.NewText
                                                     : QString::number(row.NewNumber);
        EXPECT_EQ(found->Default.toStdString(), def.toStdString()) << row.Name.toStdString();
        const QString mark = row.Resets == TestedReset::Pop3   ? QStringLiteral("(P)")
                             : row.Resets == TestedReset::Smtp ? QStringLiteral("(S)")
                                                               : QString();
        EXPECT_EQ(found->Mark.toStdString(), mark.toStdString()) << row.Name.toStdString();
    }
}

// Stores from before the security values: the TLS ports mean TLS, also when named by their
// service names, and every other port none.
TEST_F(SettingsLoaderTest, SecurityFollowsThePortUntilItIsStored) {
    Product();
    const struct {
        const char* key;
        QVariant pop3Port; // text, or an integer where the store holds the wrong type
        QVariant smtpPort;
        QVariant pop3Security; // invalid: missing
        QVariant smtpSecurity;
        int pop3;
        int smtp;
    } rows[] = {
        {"00000001", "110", "25", {}, {}, 0, 0},
        {"00000002", "995", "465", {}, {}, 2, 2},
        {"00000003", " 995", "465 ", {}, {}, 2, 2},
        {"00000004", "0995", "587", {}, {}, 2, 0},
        {"00000005", "pop3s", "submissions", {}, {}, 2, 2},
        {"00000006", "9950", "46", {}, {}, 0, 0},
        {"00000007", "995", "465", 0, 1, 0, 1},
        {"00000008", "110", "587", 1, 2, 1, 2},
        {"00000009", "995", "465", "1", "x", 2, 2}, // a text is no number: the port decides
        {"00000010", "110", "25", 7, -1, 7, -1},    // kept as stored; the engine refuses them
    };
    for (const auto& row : rows) {
        auto k = AccountKey(row.key);
        k.WriteText("POP3 Port", row.pop3Port.toString());
        k.WriteText("SMTP Port", row.smtpPort.toString());
        for (const auto& [name, value] :
             {std::pair{"POP3 Security", row.pop3Security}, {"SMTP Security", row.smtpSecurity}}) {
            if (value.typeId() == QMetaType::Int) {
                k.WriteNumber(name, value.toInt());
            } else if (value.isValid()) {
                k.WriteText(name, value.toString());
            }
        }
    }
    const LoadedSettings s = LoadSettings(store);
    ASSERT_EQ(s.Accounts.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(s.Accounts[i].Pop3Security, rows[i].pop3) << rows[i].key;
        EXPECT_EQ(s.Accounts[i].SmtpSecurity, rows[i].smtp) << rows[i].key;
        EXPECT_EQ(s.Accounts[i].Pop3SecurityStored, rows[i].pop3Security.typeId() == QMetaType::Int)
            << rows[i].key;
    }
    // Loading writes nothing: the store stays as it was.
    EXPECT_FALSE(AccountKey("00000002").ValueExists("POP3 Security"));
}

TEST_F(SettingsLoaderTest, UndecodablePasswordStopsLoadingAtThatAccount) {
    Product();
    AccountKey("00000001").WriteText("Account Name", "first");
    AccountKey("00000002").WriteText("POP3 Password", "abc\ndef");
    AccountKey("00000003").WriteText("Account Name", "third");
    const LoadedSettings s = LoadSettings(store);
    EXPECT_TRUE(s.Ok);
    EXPECT_EQ(s.DecodeError, "Invalid Base64 Character");
    ASSERT_EQ(s.Accounts.size(), 1u);
    EXPECT_EQ(s.Accounts[0].AccountName, "first");
}

TEST_F(SettingsLoaderTest, SaveLinesWritesNumbersAndDeletesTheSurplus) {
    Product();
    SaveLines(store, "Header ", {"a", "b", "c", "d"});
    SaveLines(store, "Header ", {"x", ""});
    auto p = Product();
    EXPECT_EQ(LoadLines(p, "Header "), QStringList({"x", ""}));
    EXPECT_FALSE(p.ValueExists("Header 3"));
    EXPECT_FALSE(p.ValueExists("Header 4"));
    SaveLines(store, "Header ", {});
    EXPECT_TRUE(LoadLines(p, "Header ").isEmpty());
    EXPECT_TRUE(p.Values().empty());
}

} // namespace
