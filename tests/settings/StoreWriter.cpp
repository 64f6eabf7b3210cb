// Helper for the concurrency tests: writes COUNT values named "<tag> n" under KEY, and adds
// one to the shared integer "Counter" for each, reading and writing it in one transaction.
#include "settings/SettingsStore.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        return 2;
    }
    sievra::SettingsStore store(args[1]);
    const QString tag = args[2];
    const int count = args[3].toInt();
    const QString keyPath = QStringLiteral("\\Software\\Orlent Software\\Sievra");
    for (int n = 0; n < count; ++n) {
        store.InTransaction([&] {
            auto key = store.OpenKey(keyPath, true);
            key->WriteNumber(tag + QLatin1Char(' ') + QString::number(n), n);
            key->WriteNumber(QStringLiteral("Counter"),
                             key->ReadNumber(QStringLiteral("Counter")) + 1);
        });
    }
    return 0;
}
