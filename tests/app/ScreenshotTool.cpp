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

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: sievra_screenshots OUTPUT_DIR");
        return 2;
    }
    QApplication::setWindowIcon(AppIcon());
    if (QStyle* style = QStyleFactory::create("Fusion")) {
        QApplication::setStyle(style);
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    WriteDemoStore(WriteDemoBooks(home.path()));

    SettingsStore store;
    test::RecordingDialogs dialogs;
    TfrmMain w(store, dialogs);
    if (!w.FormCreate()) {
        return 1;
    }
    w.show();
    auto* tree = w.findChild<QTreeWidget*>("tvAccounts");
    bool ok = true;

    tree->setCurrentItem(Node(w, {"Settings"}));
    ok &= Shoot(w, out + "/main-settings.png");
    tree->setCurrentItem(Node(w, {"Settings", "Home"}));
    ok &= Shoot(w, out + "/main-account.png");
    tree->setCurrentItem(Node(w, {"Settings", "Home", "Code Words"}));
    ok &= Shoot(w, out + "/main-codewords.png");
    tree->setCurrentItem(Node(w, {"Message"}));
    ok &= Shoot(w, out + "/main-message.png");

    tree->setCurrentItem(Node(w, {"Status"}));
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
        "<font color=\"clRed\"><B>Error 10061: Cannot connect to POP3 Server</B>", false, false);
    w.Engine().WriteStatus("Checking message 7 of 12", true, true);
    w.SetStatusBarPosition(58);
    ok &= Shoot(w, out + "/main-status.png");

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
