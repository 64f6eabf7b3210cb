#include "app/AppIcon.h"
#include "app/ProgramEntry.h"
#include "app/SingleInstance.h"
#include "app/TfrmMain.h"
#include "app/UserDialogs.h"
#include "widgets/DesktopIntegration.h"

#include <QApplication>
#include <QStyleFactory>

namespace {

const char* const Usage =
    "Usage: sievra [--help | --version]\n"
    "Screens your POP3 mailboxes for unwanted mail. Starts the Sievra window, or only its\n"
    "tray icon in automatic mode; starts sievra-wizard when there are no settings yet.\n"
    "Settings come from $XDG_CONFIG_HOME/sievra/settings.db.\n";

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered = sievra::AnswerInfoOption(argc, argv, Usage, "sievra")) {
        return *answered;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sievra"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    // Ties the windows to the installed desktop entry (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(sievra::AppId());
    const QString programDirectory = QCoreApplication::applicationDirPath();
    QApplication::setWindowIcon(sievra::ThemedAppIcon(programDirectory, sievra::AppIcon()));
    // In automatic mode the program lives on with no window in sight; it ends by Quit, Close
    // or closing the main window.
    QApplication::setQuitOnLastWindowClosed(false);
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(style);
    }

    // A second copy brings the first one's window forward and ends.
    sievra::SingleInstance instance;
    if (!instance.Claim()) {
        return 0;
    }
    sievra::QtUserDialogs dialogs;
    sievra::ProgramEntry entry(programDirectory, dialogs);
    if (!entry.Start()) {
        return entry.ExitCode();
    }
    QObject::connect(&instance, &sievra::SingleInstance::raiseRequested, &entry, [&entry] {
        if (sievra::TfrmMain* window = entry.MainWindow()) {
            window->BringForward();
        }
    });
    return QApplication::exec();
}
