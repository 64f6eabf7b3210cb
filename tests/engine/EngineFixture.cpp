#include "EngineFixture.h"

#include "settings/StoreLayout.h"
#include "tests/support/AddressBookBytes.h"

namespace sievra::test {

DovecotServer* EngineFixture::pop = nullptr;
SmtpSink* EngineFixture::smtp = nullptr;
int EngineFixture::users_ = 0;

void EngineFixture::SetUpTestSuite() {
    if (pop == nullptr) {
        pop = new DovecotServer();
        smtp = new SmtpSink();
    }
}

void EngineFixture::TearDownTestSuite() {
    delete pop;
    delete smtp;
    pop = nullptr;
    smtp = nullptr;
}

void EngineFixture::SetUp() {
    store = std::make_unique<SettingsStore>();
    store->OpenKey(ProductKey, true);
    engine = std::make_unique<ScreeningEngine>(window, store.get());
    WriteBook({"friend@example.org"});
    mailsBefore = static_cast<int>(smtp->Messages().size());
}

QByteArray EngineFixture::Mail(const QString& from, const QString& subject,
                               const QStringList& moreHeaders) {
    // Delivered mail carries the envelope sender as Return-Path, which is where replies go
    // when there is no Reply-To.
    QString text;
    if (!from.isNull()) {
        const qsizetype open = from.indexOf('<');
        const QString address = open < 0 ? from : from.mid(open + 1).section('>', 0, 0);
        text += "Return-Path: <" + address + ">\n";
        text += "From: " + from + "\n";
    }
    for (const QString& header : moreHeaders) {
        text += header + "\n";
    }
    text += "Subject: " + subject + "\nDate: Tue, 8 Dec 2026 10:00:00 +0000\n\nBody text.\n";
    return text.toUtf8();
}

Account EngineFixture::MakeAccount(const QString& user) const {
    Account a;
    a.KeyName = AccountKeyName(++users_);
    a.AccountName = "Account " + user;
    a.Active = true;
    a.Pop3Server = "127.0.0.1";
    a.Pop3Port = QString::number(pop->Pop3Port());
    a.Pop3User = user;
    a.Pop3Password = user + "-pw";
    a.Pop3Timeout = 60;
    a.Pop3Tested = true;
    a.SmtpServer = "127.0.0.1";
    a.SmtpPort = QString::number(smtp->Port());
    a.SmtpAddress = "me@home.example";
    a.SmtpDisplayName = "Me Myself";
    a.SmtpTimeout = 60;
    a.SmtpTested = true;
    return a;
}

Account& EngineFixture::AddMailbox(const QList<QByteArray>& messages, const QString& hints) {
    Account account = MakeAccount(QStringLiteral("user%1").arg(users_ + 1));
    account.Hints = hints;
    pop->AddUser(account.Pop3User, account.Pop3Password);
    pop->AddMessages(account.Pop3User, messages);
    StoreAccount(account);
    return window.AddAccount(account);
}

void EngineFixture::StoreAccount(const Account& account) {
    auto key = store->OpenKey(AccountKeyPath(account.KeyName), true);
    key->WriteText("Account Name", account.AccountName);
}

void EngineFixture::WriteBook(const QStringList& addresses) {
    AddressBookBytes book(static_cast<int>(addresses.size()) + 1);
    for (const QString& address : addresses) {
        book.Add(AddressBookBytes::Record(address, "Name of " + address));
    }
    window.Options.WabFile = home.WriteFile("book.wab", book.Bytes());
}

QStringList EngineFixture::Section(const QString& keyName) const {
    return engine->Queue().Read().ReadSection(keyName);
}

int EngineFixture::MailboxSize(const Account& account) const {
    return static_cast<int>(pop->Messages(account.Pop3User).size());
}

QList<ReceivedMail> EngineFixture::MailsSince(int before) const {
    return smtp->Messages().mid(before);
}

} // namespace sievra::test
