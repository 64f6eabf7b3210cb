// Account values missing, empty, of the wrong type or absurd, stored with the real store and
// loaded as the programs load them. The pass must report the account's fault in its own line
// and go on or end as a server failure would, and delete nothing the rules accept.
//
// Two accounts share the store: "Broken", which gets the bad value, then "Healthy". Each
// mailbox holds a friend's message, a stranger's and one with the code word in its subject.
#include "settings/PasswordCipher.h"
#include "settings/SettingsLoader.h"
#include "settings/StoreLayout.h"
#include "tests/engine/EngineFixture.h"
#include "tests/wizard/QtPrinters.h"

#include <QProcess>
#include <climits>

using namespace sievra;
using namespace sievra::test;

namespace {

namespace V = AccountValue;

// What the pass does with the broken account.
enum class Broken {
    Skipped,  // inactive: not a word about it
    Refused,  // not screened: its settings or its server failed before any decision
    Screened, // screened as usual (its replies may still fail)
};

struct Expected {
    explicit Expected(Broken b = Broken::Screened, QString l = {}, bool on = true, bool q = false)
        : broken(b)
        , line(std::move(l))
        , goesOn(on)
        , queued(q) {}
    Broken broken;
    QString line; // a line the pass must log (markup removed), empty: none needed
    bool goesOn;  // the healthy account after it is screened
    bool queued;  // the broken account's reply waits in the queue file
    bool codeWordLost = false;
};

// The same value read back as "", 0 or false, whichever way it got there.
Expected WhenUnset(const QString& value) {
    if (value == V::Active) {
        return Expected(Broken::Skipped);
    }
    if (value == V::Pop3Server) {
        return Expected(Broken::Refused, "No POP3 Host!");
    }
    if (value == V::Pop3User) {
        return Expected(Broken::Refused, "No POP3 User ID!");
    }
    if (value == V::Pop3Password) {
        return Expected(Broken::Refused, "No POP3 User Password!");
    }
    if (value == V::Pop3Port) {
        return Expected(Broken::Refused, "Error 500: POP3 error while connecting to POP server",
                        false);
    }
    if (value == V::SmtpServer) {
        return Expected(Broken::Screened, "No SMTP Host!", true, true);
    }
    if (value == V::SmtpPort) {
        return Expected(Broken::Screened, "Error 500: SMTP error while connecting to SMTP server",
                        false, true);
    }
    return Expected();
}

const QStringList AllValues = {
    V::Active,       V::AccountName,      V::Pop3Server,       V::Pop3Port,     V::Pop3User,
    V::Pop3Password, V::SavePop3Password, V::Pop3Timeout,      V::Pop3Tested,   V::SmtpServer,
    V::SmtpPort,     V::SmtpAddress,      V::SmtpDisplayName,  V::RequiresAuth, V::UsePop3Login,
    V::SmtpUser,     V::SmtpPassword,     V::SaveSmtpPassword, V::SmtpTimeout,  V::SmtpTested};

bool IsTextValue(const QString& value) {
    return value == V::AccountName || value == V::Pop3Server || value == V::Pop3Port ||
           value == V::Pop3User || value == V::Pop3Password || value == V::SmtpServer ||
           value == V::SmtpPort || value == V::SmtpAddress || value == V::SmtpDisplayName ||
           value == V::SmtpUser || value == V::SmtpPassword;
}

class BadSettings : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        auto product = store->OpenKey(ProductKey, true);
        product->WriteText("WAB File", window.Options.WabFile);
        product->WriteText("Subject", "Your message was deleted!");
        SaveLines(*store, HeaderPrefix, {"Your message was deleted."});
        SaveLines(*store, FooterPrefix, {"(footer)"});
        broken_ = WriteAccount(1, "Broken");
        healthy_ = WriteAccount(2, "Healthy");
    }

    // A complete account as the wizard writes it, screening a fresh mailbox, with hints.
    QString WriteAccount(int number, const QString& name) {
        const QString user = QStringLiteral("bad%1").arg(++users_);
        pop->AddUser(user, user + "-pw");
        pop->AddMessages(user, {Mail("Friend <friend@example.org>", "hello"),
                                Mail(user + "@bad.example", "buy now"),
                                Mail("stranger@x.example", "about the pineapple")});
        const QString keyName = AccountKeyName(number);
        auto key = *store->OpenKey(AccountKeyPath(keyName), true);
        key.WriteFlag(V::Active, true);
        key.WriteText(V::AccountName, name);
        key.WriteText(V::Pop3Server, "127.0.0.1");
        key.WriteText(V::Pop3Port, QString::number(pop->Pop3Port()));
        key.WriteText(V::Pop3User, user);
        key.WriteText(V::Pop3Password, EncodePassword(user + "-pw"));
        key.WriteFlag(V::SavePop3Password, true);
        key.WriteNumber(V::Pop3Timeout, 60);
        key.WriteFlag(V::Pop3Tested, true);
        key.WriteText(V::SmtpServer, "127.0.0.1");
        key.WriteText(V::SmtpPort, QString::number(smtp->Port()));
        key.WriteText(V::SmtpAddress, "me@home.example");
        key.WriteText(V::SmtpDisplayName, "Me");
        key.WriteFlag(V::RequiresAuth, false);
        key.WriteFlag(V::UsePop3Login, false);
        key.WriteText("SMTP User name", "");
        key.WriteText(V::SmtpPassword, "");
        key.WriteFlag(V::SaveSmtpPassword, false);
        key.WriteNumber(V::SmtpTimeout, 60);
        key.WriteFlag(V::SmtpTested, true);
        // As stores are written since the values exist: the test server's STLS is not for it.
        key.WriteNumber(V::Pop3Security, 0);
        key.WriteNumber(V::SmtpSecurity, 0);
        store->OpenKey(AccountKeyPath(keyName) + "\\" + CodeWordsSubkey, true)
            ->WriteText("1", "PINEAPPLE|");
        store->OpenKey(AccountKeyPath(keyName) + "\\" + HintsSubkey, true)
            ->WriteText("1", "a fruit|");
        return user;
    }

    SettingsKey BrokenKey() { return *store->OpenKey(AccountKeyPath(AccountKeyName(1))); }

    // Loads the store as the programs do and runs one pass over what loaded.
    LoadedSettings LoadAndRunPass() {
        LoadedSettings loaded = LoadSettings(*store);
        EXPECT_TRUE(loaded.Ok);
        window.AccountRecords.clear();
        for (const Account& account : loaded.Accounts) {
            window.AddAccount(account);
        }
        window.Options.WabFile = loaded.Globals.WabFile;
        window.Options.ReplySubject = loaded.Globals.Subject;
        window.Options.ReplyHeaderLines = loaded.Globals.HeaderLines;
        window.Options.ReplyFooterLines = loaded.Globals.FooterLines;
        mailsBefore = static_cast<int>(smtp->Messages().size());
        engine->RunPass();
        return loaded;
    }

    QStringList Subjects(const QString& user) const {
        QStringList subjects;
        for (const QByteArray& message : pop->Messages(user)) {
            const qsizetype at = message.indexOf("Subject: ");
            subjects.append(QString::fromUtf8(message.mid(at + 9)).section('\n', 0, 0));
        }
        return subjects;
    }

    void Check(const Expected& e) {
        const QString lines = window.PlainLines().join("\n");
        SCOPED_TRACE(lines.toStdString());
        ASSERT_FALSE(window.PlainLines().isEmpty());
        EXPECT_TRUE(window.PlainLines().last().startsWith("RESULTS: "));
        if (!e.line.isEmpty()) {
            EXPECT_TRUE(window.HasLine(e.line)) << "missing: " << e.line.toStdString();
        }
        const bool screened = e.broken == Broken::Screened;
        QStringList left = {"hello"};
        if (!screened) {
            left.append("buy now");
        }
        if (!screened || !e.codeWordLost) {
            left.append("about the pineapple");
        }
        EXPECT_EQ(Subjects(broken_), left) << "the broken account's mailbox";
        EXPECT_EQ(Subjects(healthy_),
                  e.goesOn ? QStringList({"hello", "about the pineapple"})
                           : QStringList({"hello", "buy now", "about the pineapple"}))
            << "the healthy account's mailbox";
        const QStringList section = Section(AccountKeyName(1));
        if (e.queued) {
            EXPECT_EQ(section, QStringList({"0=" + broken_ + "@bad.example"}));
        } else {
            EXPECT_TRUE(section.isEmpty());
        }
        if (e.broken == Broken::Skipped) {
            EXPECT_EQ(window.PlainLines().filter("Connecting to").size(), e.goesOn ? 2 : 0);
        }
    }

    QString broken_;
    QString healthy_;

private:
    static int users_;
};

int BadSettings::users_ = 0;

// Every value of the account, in turn missing, empty (0 or false for numbers and flags) and of
// the other type: each reads back as "", 0 or false.
class EveryValue : public BadSettings,
                   public testing::WithParamInterface<std::pair<QString, int>> {};

TEST_P(EveryValue, ReadsAsUnsetAndThePassCopes) {
    const auto& [value, variant] = GetParam();
    SettingsKey key = BrokenKey();
    switch (variant) {
    case 0:
        ASSERT_TRUE(key.DeleteValue(value));
        break;
    case 1:
        if (IsTextValue(value)) {
            key.WriteText(value, "");
        } else {
            key.WriteNumber(value, 0);
        }
        break;
    default:
        if (IsTextValue(value)) {
            key.WriteNumber(value, 110);
        } else {
            key.WriteText(value, "1");
        }
        break;
    }
    LoadAndRunPass();
    Check(WhenUnset(value));
}

std::vector<std::pair<QString, int>> EveryValueCases() {
    std::vector<std::pair<QString, int>> cases;
    for (const QString& value : AllValues) {
        for (int variant = 0; variant < 3; ++variant) {
            cases.emplace_back(value, variant);
        }
    }
    return cases;
}

std::string EveryValueName(const testing::TestParamInfo<std::pair<QString, int>>& info) {
    static const char* const variants[] = {"Missing", "Empty", "WrongType"};
    QString name = info.param.first;
    name.remove(' ');
    return (name + "_" + variants[info.param.second]).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Account, EveryValue, testing::ValuesIn(EveryValueCases()), EveryValueName);

TEST_F(BadSettings, CodeWordsAndHintsMissingOrOfTheWrongType) {
    // A chunk of the wrong type reads as empty: its code words are gone, and with them the
    // message they let through. The rules then decide without them.
    store->OpenKey(AccountKeyPath(AccountKeyName(1)) + "\\" + CodeWordsSubkey)->WriteNumber("1", 7);
    ASSERT_TRUE(store->DeleteKey(AccountKeyPath(AccountKeyName(1)) + "\\" + HintsSubkey));
    LoadAndRunPass();
    Expected e;
    e.codeWordLost = true;
    Check(e);
    EXPECT_EQ(MailsSince(mailsBefore).size(), 1) << "only the healthy account replies";
}

struct Absurd {
    const char* name;
    QString value;
    QVariant stored;
    Expected expected;
};

class AbsurdValue : public BadSettings, public testing::WithParamInterface<Absurd> {};

TEST_P(AbsurdValue, IsReportedForItsAccount) {
    const Absurd& a = GetParam();
    SettingsKey key = BrokenKey();
    if (a.stored.typeId() == QMetaType::Int) {
        key.WriteNumber(a.value, a.stored.toInt());
    } else {
        key.WriteText(a.value, a.stored.toString());
    }
    LoadAndRunPass();
    Check(a.expected);
}

Expected PopUnreachable(const QString& line) {
    return Expected(Broken::Refused, line, false);
}
Expected SmtpUnreachable(const QString& line) {
    return Expected(Broken::Screened, line, false, true);
}

const Absurd AbsurdValues[] = {
    {"Pop3PortLetters", V::Pop3Port, "abc",
     PopUnreachable("Error 500: POP3 error while connecting to POP server")},
    {"Pop3PortZero", V::Pop3Port, "0",
     PopUnreachable("Error 10061: POP3 error while connecting to POP server")},
    {"Pop3PortBeyond16Bits", V::Pop3Port, "70000",
     PopUnreachable("Error 500: POP3 error while connecting to POP server")},
    {"Pop3PortNegative", V::Pop3Port, "-110",
     PopUnreachable("Error 500: POP3 error while connecting to POP server")},
    {"Pop3HostWithSpaces", V::Pop3Server, "pop server.example",
     PopUnreachable("Error 11001: POP3 error while connecting to POP server")},
    {"Pop3Host300Characters", V::Pop3Server, QString(300, 'p'),
     PopUnreachable("Error 11001: POP3 error while connecting to POP server")},
    {"Pop3HostBadDotted", V::Pop3Server, "999.0.0.1",
     PopUnreachable("Error 11001: POP3 error while connecting to POP server")},
    {"Pop3UserWithLineBreak", V::Pop3User, "bad\r\nDELE 1",
     Expected(Broken::Refused, "Error 0: Line break in the user name")},
    {"Pop3TimeoutNegative", V::Pop3Timeout, -5, Expected()},
    {"Pop3TimeoutHuge", V::Pop3Timeout, INT_MAX, Expected()},
    {"SmtpPortLetters", V::SmtpPort, "abc",
     SmtpUnreachable("Error 500: SMTP error while connecting to SMTP server")},
    {"SmtpPortZero", V::SmtpPort, "0",
     SmtpUnreachable("Error 10061: SMTP error while connecting to SMTP server")},
    {"SmtpPortBeyond16Bits", V::SmtpPort, "70000",
     SmtpUnreachable("Error 500: SMTP error while connecting to SMTP server")},
    {"SmtpHostWithSpaces", V::SmtpServer, "smtp server.example",
     SmtpUnreachable("Error 11001: SMTP error while connecting to SMTP server")},
    {"SmtpHost300Characters", V::SmtpServer, QString(300, 's'),
     SmtpUnreachable("Error 11001: SMTP error while connecting to SMTP server")},
    {"SmtpTimeoutNegative", V::SmtpTimeout, -5, Expected()},
    {"SmtpTimeoutHuge", V::SmtpTimeout, INT_MAX, Expected()},
    {"DisplayNameWithLineBreak", V::SmtpDisplayName, "Me\r\nBcc: all@x.example",
     Expected(Broken::Screened, "Error 0: Header line contains a line break: From", true, true)},
};

std::string AbsurdName(const testing::TestParamInfo<Absurd>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Account, AbsurdValue, testing::ValuesIn(AbsurdValues), AbsurdName);

// A stored password that cannot be decoded stops the loading at its account; the programs say
// so instead of screening with what they have.
TEST_F(BadSettings, UndecodablePasswordStopsLoadingAndSievraPassNamesIt) {
    BrokenKey().WriteText(V::SmtpPassword, "not base64!");
    const LoadedSettings loaded = LoadSettings(*store);
    EXPECT_EQ(loaded.DecodeError, "Invalid Base64 Character");
    EXPECT_EQ(loaded.DecodeErrorAccount, "Broken");
    EXPECT_TRUE(loaded.Accounts.empty());

    QProcess pass;
    pass.start(BuiltProgram("bin/sievra-pass"));
    ASSERT_TRUE(pass.waitForFinished(60000));
    EXPECT_EQ(pass.exitCode(), 2);
    const QString err = QString::fromUtf8(pass.readAllStandardError());
    EXPECT_EQ(err, "sievra-pass: account \"Broken\": Invalid Base64 Character\n");
    EXPECT_EQ(Subjects(broken_).size(), 3);
    EXPECT_EQ(Subjects(healthy_).size(), 3);
}

// sievra-pass reads the same bad value, prints the same line and exits with 1.
TEST_F(BadSettings, SievraPassReportsABadPortAndExitsWithOne) {
    BrokenKey().WriteText(V::Pop3Port, "abc");
    QProcess pass;
    pass.start(BuiltProgram("bin/sievra-pass"));
    ASSERT_TRUE(pass.waitForFinished(60000));
    const QString out = QString::fromUtf8(pass.readAllStandardOutput());
    EXPECT_EQ(pass.exitCode(), 1) << out.toStdString();
    EXPECT_TRUE(out.contains("Error 500: POP3 error while connecting to POP server\n"))
        << out.toStdString();
    EXPECT_EQ(Subjects(broken_).size(), 3);
}

// GO checks the passwords first: a missing one stops it before any server is asked.
TEST_F(BadSettings, GoWithAMissingPasswordWarnsAndRunsNothing) {
    BrokenKey().DeleteValue(V::Pop3Password);
    const LoadedSettings loaded = LoadSettings(*store);
    for (const Account& account : loaded.Accounts) {
        window.AddAccount(account);
    }
    EXPECT_FALSE(engine->StartScreening());
    EXPECT_EQ(window.Warnings, QStringList({"Account \"Broken\" needs a password. Please enter "
                                            "all passwords before proceeding."}));
    EXPECT_TRUE(window.Lines.isEmpty());
    EXPECT_EQ(Subjects(broken_).size(), 3);
}

// No address book, or one without addresses: nothing at all is screened, so nothing that a
// friend sent can be taken for spam.
TEST_F(BadSettings, MissingOrEmptyAddressBookScreensNothing) {
    const QString gone = home.Path() + "/gone.wab";
    store->OpenKey(ProductKey)->WriteText("WAB File", gone);
    LoadAndRunPass();
    EXPECT_EQ(window.PlainLines(),
              QStringList({"Unable to open " + gone + "!", "Error: Unable to load address book."}));
    window.Lines.clear();
    store->OpenKey(ProductKey)->DeleteValue("WAB File");
    LoadAndRunPass();
    EXPECT_EQ(window.PlainLines(),
              QStringList({"No address book specified!", "Error: Unable to load address book."}));
    window.Lines.clear();
    WriteBook({});
    store->OpenKey(ProductKey)->WriteText("WAB File", window.Options.WabFile);
    LoadAndRunPass();
    EXPECT_EQ(window.PlainLines(), QStringList({"Error: No valid addresses in address book."}));
    EXPECT_EQ(Subjects(broken_).size(), 3);
    EXPECT_EQ(Subjects(healthy_).size(), 3);
}

} // namespace
