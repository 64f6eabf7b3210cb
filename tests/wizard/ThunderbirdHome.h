#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace sievra::test {

// A home folder with a Thunderbird profile written by the test: profiles.ini naming the
// default profile and a prefs.js of user_pref lines.
class ThunderbirdHome {
public:
    ThunderbirdHome() = default;

    QString Path() const { return dir_.path(); }
    // Writes root/profiles.ini (root relative to the home, e.g. ".thunderbird") with an
    // installation default "abcd.default-release" and that profile's prefs.js.
    QString WriteProfile(const QStringList& prefLines,
                         const QString& root = QStringLiteral(".thunderbird"));
    // Writes any file below the home.
    QString WriteFile(const QString& relativePath, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
};

// user_pref lines of one account: "accountN" with server "serverN", identity "idN" and the
// outgoing server smtpKey (none when empty).
QStringList AccountPrefs(int n, const QString& type, const QString& name, const QString& host,
                         const QString& user, const QString& smtpKey);
// user_pref lines of an outgoing server; authMethod left out when negative.
QStringList SmtpPrefs(const QString& key, const QString& host, int port, const QString& user,
                      int authMethod);
QString Pref(const QString& name, const QString& text);
QString Pref(const QString& name, int number);

} // namespace sievra::test
