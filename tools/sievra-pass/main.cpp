// Runs the GO action once without a window: the password check, the connection test where
// needed and one screening pass with its replies, printing the status lines.
#include "ConsoleWindow.h"
#include "ProtocolTrace.h"
#include "engine/ScreeningEngine.h"
#include "settings/PasswordStorage.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <memory>
#include <unistd.h>

namespace {

constexpr int ExitClean = 0;
constexpr int ExitWithErrors = 1;
constexpr int ExitNotStarted = 2;
constexpr int ExitSkipped = 3;

const char* const Usage =
    "Usage: sievra-pass [--dry-run] [--trace] | --help | --version\n"
    "Runs one screening pass over Sievra's accounts, as the GO button does with automatic\n"
    "mode off, and prints the status lines. Settings come from Sievra's settings store\n"
    "($XDG_CONFIG_HOME/sievra/settings.db).\n"
    "--dry-run: preview this pass whatever the settings say: decide and record what would be\n"
    "deleted, but delete nothing, send no reply and leave the reply queue alone.\n"
    "--trace also prints on standard error every line sent to and received from the mail\n"
    "servers (passwords and logins masked), to show a server's own reason for a refusal.\n"
    "Passwords kept in the desktop keyring are read from it once at the start; an account\n"
    "whose keyring cannot be reached is skipped with an error line, and nothing of it changes.\n"
    "Environment: SSL_CERT_FILE and SSL_CERT_DIR name certificate authorities to trust in\n"
    "addition to the system's, as OpenSSL and curl read them.\n"
    "Exit status: 0 the pass ran without errors, 1 it ran with error lines, 2 it could not\n"
    "start (no settings, a missing password, a failed connection test), 3 it ran without\n"
    "errors but skipped an account that another Sievra program was screening.\n";

// The keyring library answers through GLib's main loop, so GLib stays on when a password
// lives there; otherwise Qt's own event dispatcher wakes up faster for each server reply.
bool NeedsGlib(const QString& storePath) {
    if (!QFileInfo::exists(storePath)) {
        return false;
    }
    try {
        sievra::SettingsStore store(storePath);
        return sievra::AnyPasswordInKeyring(store);
    } catch (const sievra::StoreError&) {
        return false; // reported when the pass opens the store
    }
}

// Prints both clients' transcripts on standard error, each line named after its protocol.
void TraceProtocols(sievra::ScreeningEngine& engine, QTextStream& err) {
    auto pop3 = std::make_shared<sievra::ProtocolTrace>();
    QObject::connect(&engine.Pop3Client(), &sievra::TCustomPop3Cli::OnDisplay, &engine.Pop3Client(),
                     [pop3, &err](sievra::TCustomPop3Cli*, const QString& line) {
                         err << "pop3: " << pop3->Mask(line) << Qt::endl;
                     });
    auto smtp = std::make_shared<sievra::ProtocolTrace>();
    QObject::connect(&engine.SmtpClient(), &sievra::TCustomSmtpClient::OnDisplay,
                     &engine.SmtpClient(),
                     [smtp, &err](sievra::TCustomSmtpClient*, const QString& line) {
                         err << "smtp: " << smtp->Mask(line) << Qt::endl;
                     });
}

} // namespace

int main(int argc, char* argv[]) {
    const QString storePath = sievra::SettingsStore::DefaultPath();
    if (!NeedsGlib(storePath)) {
        qputenv("QT_NO_GLIB", "1");
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Sievra"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    const bool trace = args.removeAll(QStringLiteral("--trace")) > 0;
    const bool dryRun = args.removeAll(QStringLiteral("--dry-run")) > 0;
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
    if (!QFileInfo::exists(storePath)) {
        err << "sievra-pass: there are no settings yet (" << storePath
            << "); run sievra or sievra-settings account add first.\n";
        return ExitNotStarted;
    }
    try {
        sievra::SettingsStore store(storePath);
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
        window.SetDryRun(dryRun);
        sievra::ScreeningEngine engine(window, &store);
        if (trace) {
            TraceProtocols(engine, err);
        }
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
