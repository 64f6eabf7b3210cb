#include "SettingsCommands.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--help") || args.value(0) == QLatin1String("-h")) {
        out << sievra::SettingsUsage;
        return sievra::ExitOk;
    }
    const QString path = sievra::SettingsStore::DefaultPath();
    if (sievra::CommandOnlyChanges(args) && !QFileInfo::exists(path)) {
        err << "sievra-settings: there are no settings yet (" << path << ")\n";
        return sievra::ExitMissing;
    }
    try {
        sievra::SettingsStore store(path);
        sievra::CommandContext context{store, out, err};
        return sievra::RunSettingsCommand(context, args);
    } catch (const sievra::StoreError& error) {
        err << "sievra-settings: " << error.Message() << "\n";
        return sievra::ExitStoreError;
    }
}
