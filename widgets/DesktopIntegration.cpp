#include "DesktopIntegration.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

namespace sievra {

namespace {

// The installed data folder of Sievra, relative to the program's folder (bin/ to share/sievra).
QString DataDirectory(const QString& programDirectory) {
    return QDir::cleanPath(programDirectory + QStringLiteral("/" SIEVRA_DATA_FROM_BIN));
}

// The installed share/ folder: the data folder's parent.
QString ShareDirectory(const QString& programDirectory) {
    return QFileInfo(DataDirectory(programDirectory)).path();
}

} // namespace

QString AppId() {
    return QStringLiteral(SIEVRA_APP_ID);
}

QString HelpDirectory(const QString& programDirectory) {
    const QString beside = programDirectory + QStringLiteral("/help");
    if (QFileInfo(beside).isDir()) {
        return beside;
    }
    return DataDirectory(programDirectory) + QStringLiteral("/help");
}

QString WizardProgram(const QString& programDirectory) {
    const QString installed = programDirectory + QStringLiteral("/sievra-wizard");
    const QString built = programDirectory + QStringLiteral("/wizard");
    if (!QFileInfo(installed).isFile() && QFileInfo(built).isFile()) {
        return built;
    }
    return installed;
}

QString InstalledDesktopEntry(const QString& programDirectory) {
    const QString entry = ShareDirectory(programDirectory) + QStringLiteral("/applications/") +
                          AppId() + QStringLiteral(".desktop");
    return QFileInfo(entry).isFile() ? entry : QString();
}

QIcon ThemedAppIcon(const QString& programDirectory, const QIcon& fallback) {
    const QString icons = ShareDirectory(programDirectory) + QStringLiteral("/icons");
    QStringList paths = QIcon::themeSearchPaths();
    if (QFileInfo(icons).isDir() && !paths.contains(icons)) {
        paths.prepend(icons);
        QIcon::setThemeSearchPaths(paths);
    }
    return QIcon::fromTheme(AppId(), fallback);
}

std::optional<int> AnswerInfoOption(int argc, char** argv, const char* usage, const char* program) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", program, SIEVRA_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace sievra
