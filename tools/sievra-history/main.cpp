#include "HistoryCommands.h"
#include "history/DecisionHistory.h"
#include "history/QuarantineStore.h"
#include "settings/SettingsStore.h"
#include "settings/StoreError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <memory>

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
        sievra::HistoryContext context{history, quarantine, store.get(), out, err};
        return sievra::RunHistoryCommand(context, args);
    } catch (const sievra::HistoryError& error) {
        err << "sievra-history: " << error.Message() << "\n";
    } catch (const sievra::StoreError& error) {
        err << "sievra-history: " << error.Message() << "\n";
    }
    return sievra::HistoryFileError;
}
