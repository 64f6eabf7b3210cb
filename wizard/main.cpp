#include "wizard/TfrmWizard.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("wizard"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sievra Configuration Wizard"));
    sievra::TfrmWizard wizard;
    // The wizard ends the program when it closes, after Save or a confirmed Cancel.
    wizard.exec();
    return 0;
}
