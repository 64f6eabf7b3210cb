#pragma once

#include "engine/ScreeningEngine.h"
#include "settings/SettingsStore.h"
#include "tests/engine/RecordingWindow.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/SmtpSink.h"
#include "tests/support/TestHome.h"
#include "tests/support/WaitFor.h"

#include <gtest/gtest.h>
#include <memory>

namespace sievra::test {

// A whole screening setting for one test: a private home with a settings store, an address
// book file, the real POP3 and SMTP servers (started once for the test program), a recording
// window and the engine.
class EngineFixture : public testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;

    // A mail of the given sender and subject, with further header lines if wanted.
    static QByteArray Mail(const QString& from, const QString& subject,
                           const QStringList& moreHeaders = {});
    // A new mailbox (a fresh user) holding the messages, and an active, tested account that
    // screens it and replies through the shared SMTP server.
    Account& AddMailbox(const QList<QByteArray>& messages, const QString& hints = {});
    Account MakeAccount(const QString& user) const;
    // The address book file of the pass.
    void WriteBook(const QStringList& addresses);
    // The account key in the store, as the main window would have created it.
    void StoreAccount(const Account& account);
    QStringList Section(const QString& keyName) const;
    int MailboxSize(const Account& account) const;
    QList<ReceivedMail> MailsSince(int before) const;

    static DovecotServer* pop;
    static SmtpSink* smtp;

    TestHome home;
    std::unique_ptr<SettingsStore> store;
    RecordingWindow window;
    std::unique_ptr<ScreeningEngine> engine;
    int mailsBefore = 0;

private:
    static int users_;
};

} // namespace sievra::test
