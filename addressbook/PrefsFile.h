#pragma once

#include <QHash>
#include <QString>
#include <optional>

namespace sievra {

// The user_pref lines of a Thunderbird prefs.js file: name -> text, integer or true/false.
class PrefsFile {
public:
    // Nothing when the file cannot be read. Lines that are not well-formed user_pref calls
    // are skipped; the last line for a name wins, as in Thunderbird.
    static std::optional<PrefsFile> Read(const QString& path);
    static PrefsFile Parse(const QByteArray& content);

    bool Contains(const QString& name) const { return values_.contains(name); }
    // The text value; "" when missing or not text.
    QString Text(const QString& name) const;
    // The integer value; nothing when missing or not an integer.
    std::optional<qint64> Number(const QString& name) const;
    QList<QString> Names() const { return values_.keys(); }

private:
    struct Value {
        bool IsText = false;
        QString Text;
        std::optional<qint64> Number;
    };
    QHash<QString, Value> values_;

    friend class PrefsLineParser;
};

} // namespace sievra
