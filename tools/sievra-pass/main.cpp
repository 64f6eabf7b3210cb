// Runs the GO action once without a window: the password check, the connection test where
// needed and one screening pass with its replies, printing the status lines.
#include "ConsoleWindow.h"
#include "engine/ScreeningEngine.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <unistd.h>

namespace {

constexpr int ExitClean = 0;
constexpr int ExitWithErrors = 1;
constexpr int ExitNotStarted = 2;
constexpr int ExitSkipped = 3;

const char* const Usage =
    "Usage: sievra-pass [--help | --version]\n"
    "Runs one screening pass over Sievra's accounts, as the GO button does with automatic\n"
    "mode off, and prints the status lines. Settings come from Sievra's settings store\n"
    "($XDG_CONFIG_HOME/sievra/settings.db).\n"
    "Exit status: 0 the pass ran without errors, 1 it ran with error lines, 2 it could not\n"
    "start (no settings, a missing password, a failed connection test), 3 it ran without\n"
    "errors but skipped an account that another Sievra program was screening.\n";

} // namespace

int main(int argc, char* argv[]) {
    // A console program needs none of GLib's main loop; Qt's own event dispatcher wakes up
    // faster for each server reply.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Sievra"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args == QStringList{QStringLiteral("--help")}) {
        out << Usage;
        return ExitClean;
    }
    if (args == QStringList{QStringLiteral("--version")}) {
        out << "sievra-pass " << SIEVRA_VERSION << '\n';
        return ExitClean;
    }
    if (!args.isEmpty()) {
        err << "sievra-pass: unknown argument " << args.first() << '\n' << Usage;
        return ExitNotStarted;
    }
    try {
        sievra::SettingsStore store;
        sievra::LoadedSettings settings = sievra::LoadSettings(store);
        if (!settings.DecodeError.isEmpty()) {
            err << "sievra-pass: account \"" << settings.DecodeErrorAccount
                << "\": " << settings.DecodeError << '\n';
            return ExitNotStarted;
        }
        if (!settings.Ok) {
            err << "sievra-pass: No accounts found! Unable to initialize Sievra.\n";
            return ExitNotStarted;
        }
        sievra::ConsoleWindow window(std::move(settings), out, err, isatty(STDOUT_FILENO) == 1);
        sievra::ScreeningEngine engine(window, &store);
        if (!engine.StartScreening()) {
            return ExitNotStarted;
        }
        if (engine.LastPassHadErrors()) {
            return ExitWithErrors;
        }
        return engine.LastPassSkipped() ? ExitSkipped : ExitClean;
    } catch (const sievra::StoreError& error) {
        err << "sievra-pass: " << error.Message() << '\n';
        return ExitNotStarted;
    }
}
