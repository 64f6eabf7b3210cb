#include "MailClientDiscovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace sievra {

namespace {

constexpr int CommandTimeoutMs = 5000;

QStringList ApplicationFolders(const QString& home) {
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty()) {
        dataHome = QDir(home).filePath(QStringLiteral(".local/share"));
    }
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty()) {
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    }
    QStringList folders{dataHome};
    folders += dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (QString& folder : folders) {
        folder = QDir(folder).filePath(QStringLiteral("applications"));
    }
    return folders;
}

// The keys of the [Desktop Entry] group; other groups (actions) are not the program.
QHash<QString, QString> DesktopEntryKeys(const QString& path) {
    QHash<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return keys;
    }
    bool inEntry = false;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inEntry && eq > 0 && !line.startsWith(QLatin1Char('#'))) {
            keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
        }
    }
    return keys;
}

// The general escapes of desktop entry values (\s \n \t \r \\); the quoting of Exec comes after.
QString UnescapeValue(const QString& value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const QChar e = value[++i];
        switch (e.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        default:
            // Keep the backslash for the Exec quoting rules (\" \` \$ \\ inside quotes).
            out += QLatin1Char('\\');
            out += e;
        }
    }
    return out;
}

bool IsFieldCode(const QString& argument) {
    return argument.size() == 2 && argument[0] == QLatin1Char('%') &&
           QStringLiteral("fFuUdDnNickvm").contains(argument[1]);
}

// A flatpak entry starts "flatpak run ... <app id>"; the export folder beside the desktop
// file holds a launcher named after the app, which is what the user means by the program.
QString FlatpakLauncher(const QString& desktopFile, const QHash<QString, QString>& keys) {
    const QString appId = keys.value(QStringLiteral("X-Flatpak"));
    if (appId.isEmpty()) {
        return QString();
    }
    const QString launcher =
        QFileInfo(desktopFile).dir().filePath(QStringLiteral("../../bin/") + appId);
    return QFileInfo(launcher).isFile() ? QDir::cleanPath(launcher) : QString();
}

} // namespace

std::optional<QString> RunSystemCommand(const QString& program, const QStringList& arguments) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    QProcess process;
    process.start(path, arguments);
    if (!process.waitForFinished(CommandTimeoutMs)) {
        process.kill();
        process.waitForFinished(CommandTimeoutMs);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList SplitExecLine(const QString& exec) {
    const QString s = UnescapeValue(exec);
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < s.size()) {
                current += s[++i];
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inArgument = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgument) {
                arguments.append(current);
            }
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments.append(current);
    }
    QStringList kept;
    for (QString& argument : arguments) {
        if (!IsFieldCode(argument)) {
            kept.append(argument.replace(QStringLiteral("%%"), QStringLiteral("%")));
        }
    }
    return kept;
}

QString FindDesktopFile(const QString& desktopId, const QString& home) {
    if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/'))) {
        return QString();
    }
    for (const QString& folder : ApplicationFolders(home)) {
        const QString path = QDir(folder).filePath(desktopId);
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return QString();
}

QString ProgramOfDesktopFile(const QString& desktopFile) {
    const QHash<QString, QString> keys = DesktopEntryKeys(desktopFile);
    QStringList arguments = SplitExecLine(keys.value(QStringLiteral("Exec")));
    // "env NAME=value program ..." sets variables for the program; the program is what counts.
    if (!arguments.isEmpty() && QFileInfo(arguments.first()).fileName() == QLatin1String("env")) {
        arguments.removeFirst();
        while (!arguments.isEmpty() && arguments.first().contains(QLatin1Char('='))) {
            arguments.removeFirst();
        }
    }
    if (arguments.isEmpty()) {
        return QString();
    }
    QString program = arguments.first();
    if (!program.contains(QLatin1Char('/'))) {
        program = QStandardPaths::findExecutable(program);
    }
    if (program.isEmpty() || !QFileInfo(program).isFile()) {
        return QString();
    }
    if (QFileInfo(program).fileName() == QLatin1String("flatpak")) {
        const QString launcher = FlatpakLauncher(desktopFile, keys);
        if (!launcher.isEmpty()) {
            return launcher;
        }
    }
    return QFileInfo(program).absoluteFilePath();
}

QString FindMailClient(const CommandRunner& run, const QString& home) {
    const std::optional<QString> output =
        run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                         QStringLiteral("x-scheme-handler/mailto")});
    if (!output) {
        return QString();
    }
    const QString desktopId = output->trimmed().section(QLatin1Char(';'), 0, 0).trimmed();
    const QString desktopFile = FindDesktopFile(desktopId, home);
    return desktopFile.isEmpty() ? QString() : ProgramOfDesktopFile(desktopFile);
}

} // namespace sievra
