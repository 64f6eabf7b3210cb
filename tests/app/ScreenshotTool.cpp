// Takes the pictures of the main window for the documentation: one per panel, and the splash.
// Run under a real X server (scripts/screenshots.sh uses Xvfb): sievra_screenshots OUTPUT_DIR
#include "RecordingDialogs.h"
#include "TreePath.h"
#include "app/AppIcon.h"
#include "app/HelpWindow.h"
#include "app/TfrmMain.h"
#include "app/TfrmNotify.h"
#include "app/TfrmSplash.h"
#include "app/TrayIcon.h"
#include "engine/ScreeningEngine.h"
#include "history/DecisionHistory.h"
#include "history/HistoryDatabase.h"
#include "history/LearnedSenders.h"
#include "history/QuarantineStore.h"
#include "settings/PasswordCipher.h"
#include "settings/SettingsStore.h"
#include "settings/StoreLayout.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QStyleFactory>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWindow>

using namespace sievra;

namespace {

// Alice's contacts: a vCard file of her family and her desktop's contacts folder.
QStringList WriteDemoBooks(const QString& home) {
    const QString vcf = home + "/Contacts/family.vcf";
    QDir().mkpath(home + "/Contacts");
    QFile family(vcf);
    if (family.open(QIODevice::WriteOnly)) {
        for (const char* who : {"Mum", "Dad", "Grandma", "Erik"}) {
            family.write(QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:") + who + "\r\nEMAIL:" +
                         QByteArray(who).toLower() + "@johnson.example\r\nEND:VCARD\r\n");
        }
    }
    QDir().mkpath(home + "/.local/share/contacts");
    QFile kde(home + "/.local/share/contacts/choir.vcf");
    if (kde.open(QIODevice::WriteOnly)) {
        for (int i = 1; i <= 23; ++i) {
            kde.write(QStringLiteral("BEGIN:VCARD\nVERSION:4.0\nFN:Singer %1\nEMAIL:singer%1@"
                                     "choir.example\nEND:VCARD\n")
                          .arg(i)
                          .toUtf8());
        }
    }
    return {vcf, home + "/.local/share/contacts"};
}

void WriteDemoStore(const QStringList& books) {
    SettingsStore store;
    auto p = *store.OpenKey(ProductKey, true);
    p.WriteFlag("AutoRun", false);
    p.WriteFlag("Beep", true);
    p.WriteFlag("Visual Alert", true);
    p.WriteNumber("Interval", 10);
    p.WriteText("WAB File", "");
    for (qsizetype i = 0; i < books.size(); ++i) {
        p.WriteText(QStringLiteral("Address Book %1").arg(i + 1), books[i]);
    }
    p.WriteText("Allowed Sender 1", "@johnson.example");
    p.WriteText("Allowed Sender 2", "*.university.example");
    p.WriteText("Allowed Sender 3", "newsletter@library.example");
    p.WriteText("EMail Client", "/usr/bin/thunderbird");
    p.WriteText("Subject", "Your message was deleted!");
    p.WriteText("Header 1", "Your email message was deleted at the server because your email");
    p.WriteText("Header 2", "address is not in our list of approved (non-SPAM) senders. To ");
    p.WriteText("Header 3",
                "qualify for addition into this list, please reply using a subject line ");
    p.WriteText("Header 4", "containing a \"code word\" matching one of these hints:");
    p.WriteText("Footer 1", "(This message generated automatically by Sievra)");
    p.WriteNumber("LastID", 2);
    const auto account = [&](const QString& key, const QString& name, const QString& host,
                             const QString& user, bool auth) {
        auto a = *store.OpenKey(AccountKeyPath(key), true);
        a.WriteFlag("Active", true);
        a.WriteText("Account Name", name);
        a.WriteText("POP3 Server", host);
        a.WriteText("POP3 Port", "110");
        a.WriteText("POP3 User Name", user);
        a.WriteText("POP3 Password", EncodePassword("secret"));
        a.WriteFlag("Save POP3 Password", true);
        a.WriteNumber("POP3 Timeout", 60);
        a.WriteText("SMTP Server", "smtp." + host.section('.', 1));
        a.WriteText("SMTP Port", "25");
        a.WriteText("SMTP EMail Address", user + "@" + host.section('.', 1));
        a.WriteText("SMTP Display Name", "Alice Johnson");
        a.WriteFlag("Requires AUTH", auth);
        a.WriteNumber("SMTP Timeout", 60);
        store.OpenKey(AccountKeyPath(key) + "\\Code Words", true)
            ->WriteText("1", "pineapple|sievra|orchard|");
        store.OpenKey(AccountKeyPath(key) + "\\Hints", true)
            ->WriteText("1", "A fruit with a crown|The name of this program|Where apples grow|");
    };
    account("00000001", "Home", "pop.example.org", "alice", true);
    account("00000002", "Work", "mail.example.com", "ajohnson", false);
}

// Two strangers who wrote again with a code word, remembered on "Home".
void WriteLearnedSenders() {
    HistoryDatabase db;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    LearnedSenders learned(db, [&now] { return now.addDays(-40); });
    learned.Learn("00000001", "maria.lopez@university.example", "Re: pineapple - the rowing club",
                  "", now);
    LearnedSenders recent(db, [&now] { return now.addDays(-3); });
    recent.Learn("00000001", "tom@bakery.example", "Orchard order for Saturday", "", now);
}

QTreeWidgetItem* Node(TfrmMain& w, const QStringList& path) {
    return test::FindNode(w.findChild<QTreeWidget*>("tvAccounts"), path);
}

void Settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

bool Shoot(QWidget& w, const QString& file) {
    Settle(300);
    const QPixmap shot = w.screen()->grabWindow(w.winId());
    if (!shot.save(file)) {
        qWarning("cannot write %s", qPrintable(file));
        return false;
    }
    qInfo("wrote %s", qPrintable(file));
    return true;
}

// A shaped window as the desktop shows it: what lies outside its outline is left transparent
// rather than taking the colour of the screen behind it.
bool ShootShaped(QWidget& w, const QString& file) {
    Settle(300);
    const qreal ratio = w.devicePixelRatioF();
    QImage image(w.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setClipRegion(w.mask().isEmpty() ? QRegion(w.rect()) : w.mask());
        w.render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    if (!image.save(file)) {
        qWarning("cannot write %s", qPrintable(file));
        return false;
    }
    qInfo("wrote %s", qPrintable(file));
    return true;
}

void WriteStatusExample(TfrmMain& w) {
    w.SetDateLabel("Status as of: 12/08/2024 09:41:07");
    w.Engine().WriteStatus("<B>Connecting to <font color=\"clGreen\">pop.example.org</B>", false,
                           false);
    w.Engine().WriteStatus("Getting status..", false, false);
    w.Engine().WriteStatus("Retrieving 12 header(s)..", false, true);
    w.Engine().WriteStatus("Checking 12 message(s)..", false, true);
    w.Engine().WriteStatus("Disconnecting from POP server..", false, false);
    w.Engine().WriteStatus("<B>Connecting to <font color=\"clGreen\">mail.example.com</B>", false,
                           false);
    w.Engine().WriteStatus(
        "<font color=\"clRed\"><B>Error 10061: POP3 error while connecting to POP server</B>",
        false, false);
    w.Engine().WriteStatus("Work: mail.example.com refused the connection on port 110", false,
                           false);
    w.Engine().WriteStatus("<font color=\"clGreen\"><B>RESULTS: 9 waiting. 3 deleted. "
                           "<font color=\"clRed\">1 Error(s)</B>",
                           false, false);
    w.Engine().WriteStatus("Checking message 7 of 12", true, true);
    w.SetStatusBarPosition(58);
}

// A morning's decisions of two accounts, as the History panel lists them.
void WriteDemoHistory() {
    HistoryDatabase db;
    DecisionHistory history(db);
    QuarantineStore quarantine;
    struct Row {
        const char* Account;
        const char* From;
        const char* Subject;
        Decision Outcome;
        const char* Reason;
        const char* Reply;
    };
    const Row rows[] = {
        {"Home", "Anna Berg <anna@berg.example>", "Sunday lunch?", Decision::Kept, "in contacts",
         ""},
        {"Home", "=?UTF-8?Q?Gl=C3=BCck_Lotto?= <win@lotto.example>",
         "=?UTF-8?Q?Sie_haben_gewonnen!?=", Decision::Deleted, "no match", "sent"},
        {"Home", "Parish Office <office@parish.example>", "Choir rehearsal moved", Decision::Kept,
         "allowed sender", ""},
        {"Work", "deals@shop.example", "50% off everything", Decision::Deleted, "no match",
         "not sent: 550 5.1.1 no such user"},
        {"Work", "Tom Reyes <tom@reyes.example>", "bluekestrel: the invoice", Decision::Kept,
         "code word \"bluekestrel\"", ""},
        {"Work", "newsletter@news.example", "Your weekly digest", Decision::WouldDelete, "no match",
         ""},
    };
    int minutes = 90;
    for (const Row& row : rows) {
        DecisionRecord r;
        r.Time = QDateTime::currentDateTimeUtc().addSecs(-60 * (minutes -= 12));
        r.Account = row.Account == QLatin1String("Home") ? "00000001" : "00000002";
        r.AccountName = row.Account;
        r.From = row.From;
        r.Sender = QString(row.From).section('<', -1).remove('>');
        r.Subject = row.Subject;
        r.Outcome = row.Outcome;
        r.Reason = row.Reason;
        r.Reply = row.Reply;
        if (row.Outcome == Decision::Deleted) {
            r.Copy = CopyKind::Whole;
            r.CopyPath = quarantine.Store(r.Account, QByteArray("From: ") + row.From + "\n\n.\n");
        }
        history.Add(r);
    }
}

// A dark colour scheme as a desktop's dark theme hands it to Qt.
QPalette DarkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(30, 30, 30));
    p.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(55, 55, 58));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(38, 110, 180));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(55, 55, 58));
    p.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    p.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    return p;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        qWarning("usage: sievra_screenshots OUTPUT_DIR [dark|scale2]");
        return 2;
    }
    // "dark": the status list on a dark palette; "scale2": the account panel as it is drawn
    // at twice the scale (run with QT_SCALE_FACTOR=2).
    const QString variant = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    QApplication::setWindowIcon(AppIcon());
    if (QStyle* style = QStyleFactory::create("Fusion")) {
        QApplication::setStyle(style);
    }
    if (variant == QLatin1String("dark")) {
        QApplication::setPalette(DarkPalette());
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    WriteDemoStore(WriteDemoBooks(home.path()));
    WriteDemoHistory();
    WriteLearnedSenders();

    SettingsStore store;
    test::RecordingDialogs dialogs;
    TfrmMain w(store, dialogs);
    if (!w.FormCreate()) {
        return 1;
    }
    w.show();
    auto* tree = w.findChild<QTreeWidget*>("tvAccounts");
    bool ok = true;

    if (variant == QLatin1String("scale2")) {
        tree->setCurrentItem(Node(w, {"Settings", "Home"}));
        return Shoot(w, out + "/main-account-scale2.png") ? 0 : 1;
    }
    if (variant == QLatin1String("dark")) {
        tree->setCurrentItem(Node(w, {"Status"}));
        WriteStatusExample(w);
        return Shoot(w, out + "/main-status-dark.png") ? 0 : 1;
    }
    tree->setCurrentItem(Node(w, {"Settings"}));
    ok &= Shoot(w, out + "/main-settings.png");
    tree->setCurrentItem(Node(w, {"Settings", "Home"}));
    ok &= Shoot(w, out + "/main-account.png");
    tree->setCurrentItem(Node(w, {"Settings", "Home", "Code Words"}));
    ok &= Shoot(w, out + "/main-codewords.png");
    tree->setCurrentItem(Node(w, {"Message"}));
    ok &= Shoot(w, out + "/main-message.png");

    tree->setCurrentItem(Node(w, {"Status"}));
    WriteStatusExample(w);
    ok &= Shoot(w, out + "/main-status.png");
    tree->setCurrentItem(Node(w, {"History"}));
    w.findChild<QTableView*>("tblHistory")->selectRow(2);
    ok &= Shoot(w, out + "/main-history.png");

    TfrmSplash splash(true);
    splash.show();
    ok &= Shoot(splash, out + "/about.png");
    splash.close();

    TfrmNotify notify(3);
    notify.show();
    ok &= ShootShaped(notify, out + "/popup.png");
    notify.close();

    // The tray menu as it is after a pass that found mail.
    QMenu* menu = w.Tray().Menu();
    w.EnableLaunchMailClient();
    menu->popup(QPoint(400, 300));
    menu->setActiveAction(w.Tray().CheckEMailAction());
    ok &= Shoot(*menu, out + "/tray-menu.png");
    menu->close();

    // The help pages are beside the programs, in the build tree's bin folder.
    w.SetHelpDirectory(QCoreApplication::applicationDirPath() + "/../../bin/help");
    w.ShowHelp(HelpContext::GeneralSettings);
    if (HelpWindow* help = w.Help()) {
        ok &= Shoot(*help, out + "/help.png");
    } else {
        qWarning("no help pages found");
        ok = false;
    }
    return ok ? 0 : 1;
}
