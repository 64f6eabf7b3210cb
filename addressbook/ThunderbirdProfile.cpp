#include "ThunderbirdProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <vector>

namespace sievra {

namespace {

struct IniSection {
    QString Name;
    QHash<QString, QString> Values;
};

// profiles.ini is a plain INI file; QSettings would turn commas in paths into lists.
std::vector<IniSection> ReadIni(const QString& path) {
    std::vector<IniSection> sections;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return sections;
    }
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            sections.push_back({line.mid(1, line.size() - 2), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !sections.empty() && !line.startsWith(QLatin1Char(';')) &&
            !line.startsWith(QLatin1Char('#'))) {
            sections.back().Values.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
        }
    }
    return sections;
}

QString ExistingFolder(const QString& root, const QString& path, bool relative) {
    if (path.isEmpty()) {
        return QString();
    }
    const QString full = relative ? QDir(root).filePath(path) : path;
    return QFileInfo(full).isDir() ? QDir::cleanPath(full) : QString();
}

QString ProfileFolder(const QString& root, const IniSection& section) {
    const bool relative = section.Values.value(QStringLiteral("IsRelative")) != QLatin1String("0");
    return ExistingFolder(root, section.Values.value(QStringLiteral("Path")), relative);
}

} // namespace

QStringList ThunderbirdRoots(const QString& home) {
    const QDir h(home);
    return {h.filePath(QStringLiteral(".thunderbird")),
            h.filePath(QStringLiteral("snap/thunderbird/common/.thunderbird")),
            h.filePath(QStringLiteral(".var/app/org.mozilla.Thunderbird/.thunderbird"))};
}

QString DefaultProfileIn(const QString& root) {
    const std::vector<IniSection> sections =
        ReadIni(QDir(root).filePath(QStringLiteral("profiles.ini")));
    // Current releases name the default per installation; its path is relative to the root
    // unless it is absolute.
    for (const IniSection& s : sections) {
        if (s.Name.startsWith(QLatin1String("Install"))) {
            const QString path = s.Values.value(QStringLiteral("Default"));
            const QString folder = ExistingFolder(root, path, QDir::isRelativePath(path));
            if (!folder.isEmpty()) {
                return folder;
            }
        }
    }
    // Older releases mark one profile with Default=1; a lone profile is the default anyway.
    const IniSection* first = nullptr;
    for (const IniSection& s : sections) {
        if (!s.Name.startsWith(QLatin1String("Profile"))) {
            continue;
        }
        if (s.Values.value(QStringLiteral("Default")) == QLatin1String("1")) {
            return ProfileFolder(root, s);
        }
        if (first == nullptr) {
            first = &s;
        }
    }
    return first != nullptr ? ProfileFolder(root, *first) : QString();
}

QString FindDefaultProfile(const QString& home) {
    for (const QString& root : ThunderbirdRoots(home)) {
        const QString profile = DefaultProfileIn(root);
        if (!profile.isEmpty()) {
            return profile;
        }
    }
    return QString();
}

} // namespace sievra
