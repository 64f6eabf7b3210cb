#include "app/AppIcon.h"
#include "app/ProgramEntry.h"
#include "app/SingleInstance.h"
#include "app/TfrmMain.h"
#include "app/UserDialogs.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sievra"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.1"));
    QApplication::setWindowIcon(sievra::AppIcon());
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
    sievra::ProgramEntry entry(QCoreApplication::applicationDirPath(), dialogs);
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
