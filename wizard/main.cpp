#include "wizard/TfrmWizard.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The window manager and task bar name the window after the X11 resource name and class:
    // "Sievra Setup", not the file name "wizard".
    if (qEnvironmentVariableIsEmpty("RESOURCE_NAME")) {
        qputenv("RESOURCE_NAME", "Sievra Setup");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sievra Setup"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sievra Configuration Wizard"));
    sievra::TfrmWizard wizard;
    // The wizard ends the program when it closes, after Save or a confirmed Cancel.
    wizard.exec();
    return 0;
}
