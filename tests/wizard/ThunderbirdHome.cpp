#include "ThunderbirdHome.h"

#include "tests/support/TestHome.h"

#include <QDir>

namespace sievra::test {

QString ThunderbirdHome::WriteFile(const QString& relativePath, const QByteArray& bytes) const {
    const QString path = QDir(dir_.path()).filePath(relativePath);
    WriteTestFile(path, bytes);
    return path;
}

QString ThunderbirdHome::WriteProfile(const QStringList& prefLines, const QString& root) {
    WriteFile(root + QStringLiteral("/profiles.ini"),
              "[Profile1]\nName=old\nIsRelative=1\nPath=zzzz.old\n\n"
              "[Profile0]\nName=default-release\nIsRelative=1\nPath=abcd.default-release\n\n"
              "[General]\nStartWithLastProfile=1\nVersion=2\n\n"
              "[Install4F96D1932A9F858E]\nDefault=abcd.default-release\nLocked=1\n");
    WriteFile(root + QStringLiteral("/zzzz.old/prefs.js"), "");
    const QString header = QStringLiteral("// Mozilla User Preferences\n\n");
    return WriteFile(root + QStringLiteral("/abcd.default-release/prefs.js"),
                     (header + prefLines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

QString Pref(const QString& name, const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QStringLiteral("user_pref(\"%1\", \"%2\");").arg(name, escaped);
}

QString Pref(const QString& name, int number) {
    return QStringLiteral("user_pref(\"%1\", %2);").arg(name).arg(number);
}

QStringList AccountPrefs(int n, const QString& type, const QString& name, const QString& host,
                         const QString& user, const QString& smtpKey) {
    const QString account = QStringLiteral("mail.account.account%1.").arg(n);
    const QString server = QStringLiteral("mail.server.server%1.").arg(n);
    const QString identity = QStringLiteral("mail.identity.id%1.").arg(n);
    QStringList lines{Pref(account + "server", QStringLiteral("server%1").arg(n)),
                      Pref(account + "identities", QStringLiteral("id%1").arg(n)),
                      Pref(server + "type", type),
                      Pref(server + "name", name),
                      Pref(server + "hostname", host),
                      Pref(server + "userName", user),
                      Pref(identity + "useremail", user + QStringLiteral("@example.org")),
                      Pref(identity + "fullName", QStringLiteral("Owner %1").arg(n))};
    if (!smtpKey.isEmpty()) {
        lines.append(Pref(identity + "smtpServer", smtpKey));
    }
    return lines;
}

QStringList SmtpPrefs(const QString& key, const QString& host, int port, const QString& user,
                      int authMethod) {
    const QString prefix = QStringLiteral("mail.smtpserver.%1.").arg(key);
    QStringList lines{Pref(prefix + "hostname", host), Pref(prefix + "username", user)};
    if (port != 0) {
        lines.append(Pref(prefix + "port", port));
    }
    if (authMethod >= 0) {
        lines.append(Pref(prefix + "authMethod", authMethod));
    }
    return lines;
}

} // namespace sievra::test
