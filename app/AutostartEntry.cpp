#include "AutostartEntry.h"

#include "settings/PrivateFiles.h"
#include "widgets/DesktopIntegration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace sievra {

namespace {

// The Exec key's rules: the program quoted, and inside the quotes a backslash before
// '"', '`', '$' and '\'; then, as for every string value, each backslash doubled and each
// '%' (a field code otherwise) doubled.
QString ExecValue(const QString& programPath) {
    QString quoted;
    for (const QChar c : programPath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return quoted;
}

QString EntryText(const QString& exec) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Sievra\n"
                          "Comment=Screens your POP3 mailboxes for unwanted mail\n"
                          "Exec=%1\n"
                          "Icon=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(exec, AppId());
}

// The Exec value of the main group, as written (already quoted for the key).
QString DesktopEntryExec(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return QString();
    }
    QTextStream in(&file);
    bool mainGroup = false;
    QString line;
    while (in.readLineInto(&line)) {
        if (line.startsWith(QLatin1Char('['))) {
            mainGroup = line == QStringLiteral("[Desktop Entry]");
        } else if (mainGroup && line.startsWith(QStringLiteral("Exec="))) {
            return line.mid(5).trimmed();
        }
    }
    return QString();
}

} // namespace

QString AutostartEntryPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/autostart/sievra.desktop");
}

QString AutostartEntryText(const QString& programPath) {
    if (programPath.isEmpty()) {
        return QString();
    }
    for (const QChar c : programPath) {
        if (c.category() == QChar::Other_Control) {
            return QString();
        }
    }
    return EntryText(ExecValue(programPath));
}

QString InstalledAutostartEntryText(const QString& desktopEntryPath) {
    const QString exec = DesktopEntryExec(desktopEntryPath);
    return exec.isEmpty() ? QString() : EntryText(exec);
}

bool WriteAutostartEntry(const QString& programPath) {
    const QString installed = InstalledDesktopEntry(QFileInfo(programPath).absolutePath());
    QString text = installed.isEmpty() ? QString() : InstalledAutostartEntryText(installed);
    if (text.isEmpty()) {
        text = AutostartEntryText(programPath);
    }
    if (text.isEmpty()) {
        return false;
    }
    const QString path = AutostartEntryPath();
    // The autostart folder is shared with other programs: created private, never tightened.
    if (!MakePrivateFolder(QFileInfo(path).absolutePath(), false).isEmpty()) {
        return false;
    }
    return WritePrivateFile(path, text.toUtf8()).isEmpty();
}

bool RemoveAutostartEntry() {
    const QString path = AutostartEntryPath();
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return true;
    }
    return QFile::remove(path);
}

} // namespace sievra
