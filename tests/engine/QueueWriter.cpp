// Helper for the queue file tests: adds COUNT entries "<tag>n=<tag>n@example.org" to SECTION
// of the queue file at PATH, one locked update each.
#include "engine/ReplyQueueFile.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        return 2;
    }
    sievra::ReplyQueueFile queue(args[1]);
    const QString section = args[2];
    const QString tag = args[3];
    const int count = args[4].toInt();
    for (int n = 0; n < count; ++n) {
        const QString key = tag + QString::number(n);
        queue.Update([&](sievra::IniDocument& doc) {
            doc.WriteEntry(section, key, key + QStringLiteral("@example.org"));
        });
    }
    return 0;
}
