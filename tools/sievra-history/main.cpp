#include "HistoryCommands.h"
#include "engine/ScreeningEngine.h"
#include "history/DecisionHistory.h"
#include "history/LearnedSenders.h"
#include "history/QuarantineStore.h"
#include "settings/SettingsLoader.h"
#include "settings/SettingsStore.h"
#include "settings/StoreError.h"
#include "tools/sievra-pass/ConsoleWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <memory>

namespace {

// Restore needs the accounts (with their passwords) and the engine's SMTP session; the
// session's status lines go to standard error, the result line to standard output.
int Restore(sievra::SettingsStore* store, qint64 id, QTextStream& out, QTextStream& err) {
    if (store == nullptr) {
        err << "sievra-history: there are no settings yet, so no account to restore to.\n";
        return sievra::HistoryNotRestored;
    }
    sievra::LoadedSettings settings = sievra::LoadSettings(*store);
    if (!settings.DecodeError.isEmpty()) {
        err << "sievra-history: account \"" << settings.DecodeErrorAccount
            << "\": " << settings.DecodeError << "\n";
        return sievra::HistoryNotRestored;
    }
    sievra::ConsoleWindow window(std::move(settings), err, err, false);
    sievra::ScreeningEngine engine(window, store);
    const auto outcome = engine.RestoreMessage(id);
    using Outcome = sievra::ScreeningEngine::RestoreOutcome;
    (outcome.Result == Outcome::Restored ? out : err)
        << (outcome.Result == Outcome::Restored ? "" : "sievra-history: ") << outcome.Line << "\n";
    switch (outcome.Result) {
    case Outcome::Restored:
        return sievra::HistoryOk;
    case Outcome::NoSuchEntry:
        return sievra::HistoryMissing;
    case Outcome::Refused:
        break;
    }
    return sievra::HistoryNotRestored;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.value(0) == QLatin1String("--help") ||
        args.value(0) == QLatin1String("-h")) {
        (args.isEmpty() ? err : out) << sievra::HistoryUsageText;
        return args.isEmpty() ? sievra::HistoryUsage : sievra::HistoryOk;
    }
    try {
        std::unique_ptr<sievra::SettingsStore> store;
        if (QFileInfo::exists(sievra::SettingsStore::DefaultPath())) {
            store = std::make_unique<sievra::SettingsStore>();
        }
        sievra::HistoryDatabase db;
        if (!db.SetAsideNotice().isEmpty()) {
            err << "sievra-history: " << db.SetAsideNotice() << "\n";
        }
        sievra::DecisionHistory history(db);
        sievra::QuarantineStore quarantine;
        sievra::LearnedSenders learned(db);
        sievra::HistoryContext context{history, quarantine, learned, store.get(), out, err, {}};
        context.Restore = [&](qint64 id) {
            return Restore(store.get(), id, out, err);
        };
        return sievra::RunHistoryCommand(context, args);
    } catch (const sievra::HistoryError& error) {
        err << "sievra-history: " << error.Message() << "\n";
    } catch (const sievra::StoreError& error) {
        err << "sievra-history: " << error.Message() << "\n";
    }
    return sievra::HistoryFileError;
}
