#include "widgets/DesktopIntegration.h"
#include "wizard/TfrmWizard.h"

#include <QApplication>

namespace {

const char* const Usage =
    "Usage: sievra-wizard [--help | --version]\n"
    "Sets Sievra up: finds your mail accounts and mail program, asks for your address book,\n"
    "code words and hints, writes the settings and starts sievra.\n";

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered =
            sievra::AnswerInfoOption(argc, argv, Usage, "sievra-wizard")) {
        return *answered;
    }
    // The window manager and task bar name the window after the X11 resource name and class:
    // "Sievra Setup", not the file name "wizard".
    if (qEnvironmentVariableIsEmpty("RESOURCE_NAME")) {
        qputenv("RESOURCE_NAME", "Sievra Setup");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sievra Setup"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sievra Configuration Wizard"));
    QGuiApplication::setDesktopFileName(sievra::AppId());
    QApplication::setWindowIcon(
        sievra::ThemedAppIcon(QCoreApplication::applicationDirPath(), QIcon()));
    sievra::TfrmWizard wizard;
    // The wizard ends the program when it closes, after Save or a confirmed Cancel.
    wizard.exec();
    return 0;
}
