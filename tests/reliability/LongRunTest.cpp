// Automatic mode for many passes against the real servers, with a mailbox that changes before
// every pass and now and then a server that cannot be reached. The window's timer is
// shortened to a few milliseconds; each tick runs a pass as the main window's timer does.
// Afterwards: nothing the rules accept was ever deleted, every stranger got a reply, memory
// at the end is within 10% of memory after the first 50 passes, and no file or socket is left
// open that was not open before.
//
// SIEVRA_LONG_RUN_PASSES=N sets the number of passes (default 1000, 300 under the sanitizers,
// whose bookkeeping makes every pass several times slower).
#include "engine/ScreeningEngine.h"
#include "settings/SettingsStore.h"
#include "tests/support/AddressBookBytes.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/QuietWindow.h"
#include "tests/support/SmtpSink.h"
#include "tests/support/TestHome.h"
#include "tests/support/WaitFor.h"
#include "tests/wizard/QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>
#include <array>
#include <gtest/gtest.h>
#include <iostream>
#include <malloc.h>
#include <unistd.h>
#include <vector>

using namespace sievra;
using namespace sievra::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool UnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool UnderAddressSanitizer = true;
#else
constexpr bool UnderAddressSanitizer = false;
#endif
#else
constexpr bool UnderAddressSanitizer = false;
#endif

struct Usage {
    qint64 residentKiB = 0;
    qint64 heapKiB = 0;
    int files = 0;
    int sockets = 0;
    QStringList open; // what the descriptors point at
};

Usage Measure() {
    // Sockets and timers released during the last pass go with the next turn of the loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    Usage u;
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (statm.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = statm.readAll().split(' ');
        u.residentKiB = fields.value(1).toLongLong() * sysconf(_SC_PAGESIZE) / 1024;
    }
    u.heapKiB = static_cast<qint64>(mallinfo2().uordblks / 1024);
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        u.open.append(target);
        if (target.contains(QLatin1String("socket:"))) {
            ++u.sockets;
        } else {
            ++u.files;
        }
    }
    u.open.sort();
    return u;
}

// The main window as far as automatic mode needs it: a timer that runs a pass on each tick,
// stopped while the pass runs and started again after it.
class AutoModeWindow : public QuietWindow {
public:
    QList<Account*> accounts;
    std::function<void(int)> beforePass; // changes the world before pass n (from 1)
    std::function<void(int)> afterPass;
    int passesWanted = 0;
    int passesRun = 0;
    int errorLines = 0;
    int beeps = 0;
    int popups = 0;
    QString lastLine;

    explicit AutoModeWindow(ScreeningEngine*& engine)
        : engine_(engine) {
        Options.AutoMode = true;
        Options.IntervalMinutes = 1;
        Options.BeepOn = true;
        Options.VisualAlertOn = true;
        ShowMainWindow = false;
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Timer1Timer(); });
    }

    void RunUntilDone() { loop_.exec(); }

    QList<Account*> Accounts() override { return accounts; }
    void AppendStatusLine(const QString& markup) override {
        lastLine = markup;
        if (markup.contains(QLatin1String("clRed"))) {
            ++errorLines;
        }
    }
    void ShowWarning(const QString& text) override {
        ADD_FAILURE() << "warning: " << text.toStdString();
    }
    // Minutes become milliseconds.
    void StartAutomaticMode(int intervalMinutes) override { timer_.start(intervalMinutes * 2); }
    void Beep() override { ++beeps; }
    void ShowNewMailPopup(int) override { ++popups; }

private:
    void Timer1Timer() {
        timer_.stop();
        ++passesRun;
        beforePass(passesRun);
        engine_->RunPass();
        afterPass(passesRun);
        if (passesRun < passesWanted) {
            timer_.start(2);
        } else {
            loop_.quit();
        }
    }

    ScreeningEngine*& engine_;
    QTimer timer_;
    QEventLoop loop_;
};

class LongRun : public testing::Test {
protected:
    static void SetUpTestSuite() {
        pop = new DovecotServer();
        smtp = new SmtpSink();
    }
    static void TearDownTestSuite() {
        delete pop;
        delete smtp;
    }
    static DovecotServer* pop;
    static SmtpSink* smtp;
};

DovecotServer* LongRun::pop = nullptr;
SmtpSink* LongRun::smtp = nullptr;

Account MakeAccount(const QString& keyName, const QString& user, bool hints) {
    Account a;
    a.KeyName = keyName;
    a.AccountName = user;
    a.Active = true;
    a.Pop3Server = QStringLiteral("127.0.0.1");
    a.Pop3User = user;
    a.Pop3Password = user + QStringLiteral("-pw");
    a.Pop3Timeout = 60;
    a.Pop3Tested = true;
    a.SmtpServer = QStringLiteral("127.0.0.1");
    a.SmtpAddress = QStringLiteral("me@home.example");
    a.SmtpTimeout = 60;
    a.SmtpTested = true;
    a.CodeWords = QStringLiteral("PINEAPPLE|");
    if (hints) {
        a.Hints = QStringLiteral("a fruit|");
    }
    return a;
}

QByteArray Mail(const QString& from, const QString& subject) {
    return ("Return-Path: <" + from + ">\nFrom: " + from + "\nSubject: " + subject + "\n\nBody.\n")
        .toUtf8();
}

QStringList SubjectsIn(const QList<QByteArray>& messages) {
    QStringList subjects;
    for (const QByteArray& message : messages) {
        const qsizetype at = message.indexOf("Subject: ");
        subjects.append(QString::fromUtf8(message.mid(at + 9)).section('\n', 0, 0));
    }
    subjects.sort();
    return subjects;
}

TEST_F(LongRun, AutomaticModeKeepsMemoryAndHandlesSteady) {
    const int passes = qEnvironmentVariableIsSet("SIEVRA_LONG_RUN_PASSES")
                           ? qEnvironmentVariableIntValue("SIEVRA_LONG_RUN_PASSES")
                           : (UnderAddressSanitizer ? 300 : 1000);
    ASSERT_GT(passes, 50);
    TestHome home;
    SettingsStore store;
    AddressBookBytes book;
    book.Add(AddressBookBytes::Record("friend@example.org"));
    const QString wab = home.WriteFile("book.wab", book.Bytes());
    const QString popPort = QString::number(pop->Pop3Port());
    const QString smtpPort = QString::number(smtp->Port());
    const QString closedPort = QString::number(FreeLoopbackPort());

    // Two accounts: one that replies, one that does not.
    Account replying = MakeAccount("00000001", "long1", true);
    Account quiet = MakeAccount("00000002", "long2", false);
    for (Account* a : {&replying, &quiet}) {
        pop->AddUser(a->Pop3User, a->Pop3Password);
        a->Pop3Port = popPort;
        a->SmtpPort = smtpPort;
    }

    ScreeningEngine* engine = nullptr;
    AutoModeWindow window(engine);
    ScreeningEngine screening(window, &store);
    engine = &screening;
    window.accounts = {&replying, &quiet};
    window.Options.WabFile = wab;
    window.passesWanted = passes;

    // The mail of every pass is made up front, so that what the test itself keeps does not
    // count as memory the engine took.
    struct Delivery {
        QList<QByteArray> mails;
        QStringList accepted;
    };
    std::vector<std::array<Delivery, 2>> plan(static_cast<std::size_t>(passes) + 1);
    QSet<QString> strangers; // senders owed a reply
    int spam = 0;
    QRandomGenerator random(20261208);
    for (int n = 1; n <= passes; ++n) {
        for (std::size_t which = 0; which < 2; ++which) {
            Delivery& d = plan[static_cast<std::size_t>(n)][which];
            const QString tag = QStringLiteral("%1.%2").arg(n).arg(which);
            for (quint32 i = random.bounded(3u); i > 0; --i) {
                d.accepted.append(QStringLiteral("friend %1.%2").arg(tag).arg(i));
                d.mails.append(Mail("friend@example.org", d.accepted.last()));
            }
            for (quint32 i = random.bounded(3u); i > 0; --i) {
                const QString sender = QStringLiteral("s%1.%2@bad.example").arg(tag).arg(i);
                d.mails.append(Mail(sender, QStringLiteral("spam %1.%2").arg(tag).arg(i)));
                if (which == 0) {
                    strangers.insert(sender);
                }
                ++spam;
            }
            if (random.bounded(4u) == 0) {
                d.accepted.append(QStringLiteral("about the pineapple %1").arg(tag));
                d.mails.append(Mail("stranger@x.example", d.accepted.last()));
            }
        }
    }
    std::array<QStringList, 2> accepted; // per account: accepted since the client last fetched
    for (QStringList& list : accepted) {
        list.reserve(200);
    }
    const std::array<Account*, 2> accounts = {&replying, &quiet};
    int lost = 0;
    Usage before;
    Usage after50;
    window.beforePass = [&](int n) {
        // The world changes: new mail, and now and then a server out of reach.
        for (std::size_t which = 0; which < 2; ++which) {
            const Delivery& d = plan[static_cast<std::size_t>(n)][which];
            pop->AddMessages(accounts[which]->Pop3User, d.mails);
            accepted[which].append(d.accepted);
        }
        replying.SmtpPort = n % 37 == 0 ? closedPort : smtpPort;
        quiet.Pop3Port = n % 53 == 0 ? closedPort : popPort;
        if (n == 51) {
            after50 = Measure();
        }
    };
    window.afterPass = [&](int n) {
        // Every tenth pass the user's mail client takes what was waiting: exactly the accepted
        // (unless a server out of reach kept the pass from deleting).
        if (n % 10 != 0 || n % 37 == 0 || n % 53 == 0) {
            return;
        }
        for (std::size_t which = 0; which < 2; ++which) {
            const Account* a = accounts[which];
            const QStringList left = SubjectsIn(pop->Messages(a->Pop3User));
            QStringList wanted = accepted[which];
            accepted[which].clear();
            wanted.sort();
            if (left != wanted) {
                ++lost;
                ADD_FAILURE() << "pass " << n << ", " << a->Pop3User.toStdString()
                              << ": mailbox holds " << left.join(", ").toStdString()
                              << "\nexpected " << wanted.join(", ").toStdString();
            }
            pop->ClearMailbox(a->Pop3User);
        }
    };

    before = Measure();
    const int mailsBefore = static_cast<int>(smtp->Messages().size());
    ASSERT_TRUE(screening.StartScreening());
    window.RunUntilDone();
    // One more pass with every server in reach serves what the last failures left queued.
    replying.SmtpPort = smtpPort;
    quiet.Pop3Port = popPort;
    screening.RunPass();
    const Usage end = Measure();

    EXPECT_EQ(window.passesRun, passes);
    EXPECT_EQ(lost, 0);
    EXPECT_TRUE(window.lastLine.contains(QLatin1String("0 Error(s)")))
        << window.lastLine.toStdString();
    EXPECT_TRUE(screening.Queue().Read().ReadSection(replying.KeyName).isEmpty());
    QSet<QString> replied;
    EXPECT_TRUE(WaitFor(
        [&] {
            replied.clear();
            for (const ReceivedMail& mail : smtp->Messages().mid(mailsBefore)) {
                for (const QString& rcpt : mail.RcptTos) {
                    replied.insert(rcpt);
                }
            }
            return replied.size() >= strangers.size();
        },
        20000));
    EXPECT_EQ(replied, strangers);

    std::cout << "long run: " << passes << " passes, " << spam << " spam messages, "
              << strangers.size() << " replies, " << window.errorLines
              << " error lines from servers out of reach, " << window.beeps << " beeps, "
              << window.popups << " pop-ups\n"
              << "long run: resident memory " << before.residentKiB << " KiB before, "
              << after50.residentKiB << " KiB after 50 passes, " << end.residentKiB
              << " KiB at the end; heap in use " << before.heapKiB << " / " << after50.heapKiB
              << " / " << end.heapKiB << " KiB\n"
              << "long run: open descriptors " << before.files << " files + " << before.sockets
              << " sockets before, " << after50.files << " + " << after50.sockets
              << " after 50 passes, " << end.files << " + " << end.sockets << " at the end\n";
    EXPECT_EQ(end.open, before.open) << "descriptors left open";
    if (UnderAddressSanitizer) {
        std::cout << "long run: memory not compared under AddressSanitizer (its quarantine "
                     "holds freed memory)\n";
    } else {
        EXPECT_LE(end.residentKiB, after50.residentKiB * 11 / 10);
    }
}

} // namespace
