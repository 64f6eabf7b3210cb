#include "PrefsFile.h"

#include <QFile>

namespace sievra {

// Reads one line of the form user_pref("name", value); where value is a quoted string, an
// integer, true or false. Strings use the escapes Thunderbird writes (\" \\ \n \r) and the
// JavaScript ones it accepts (\t \xHH \uHHHH).
class PrefsLineParser {
public:
    explicit PrefsLineParser(const QString& line)
        : s_(line) {}

    bool Parse(QString& name, PrefsFile::Value& value) {
        SkipSpace();
        if (!Take(QStringLiteral("user_pref"))) {
            return false;
        }
        SkipSpace();
        if (!Take(QStringLiteral("("))) {
            return false;
        }
        SkipSpace();
        if (!String(name)) {
            return false;
        }
        SkipSpace();
        if (!Take(QStringLiteral(","))) {
            return false;
        }
        SkipSpace();
        if (!Val(value)) {
            return false;
        }
        SkipSpace();
        return Take(QStringLiteral(")"));
    }

private:
    void SkipSpace() {
        while (pos_ < s_.size() && s_[pos_].isSpace()) {
            ++pos_;
        }
    }
    bool Take(const QString& word) {
        if (QStringView(s_).mid(pos_).startsWith(word)) {
            pos_ += word.size();
            return true;
        }
        return false;
    }
    bool Hex(qsizetype digits, char16_t& out) {
        if (pos_ + digits > s_.size()) {
            return false;
        }
        bool ok = false;
        const uint code = QStringView(s_).mid(pos_, digits).toUInt(&ok, 16);
        pos_ += digits;
        out = static_cast<char16_t>(code);
        return ok;
    }
    bool String(QString& out) {
        if (!Take(QStringLiteral("\""))) {
            return false;
        }
        out.clear();
        while (pos_ < s_.size()) {
            const QChar c = s_[pos_++];
            if (c == QLatin1Char('"')) {
                return true;
            }
            if (c != QLatin1Char('\\')) {
                out += c;
                continue;
            }
            if (pos_ >= s_.size()) {
                return false;
            }
            const QChar e = s_[pos_++];
            char16_t code = 0;
            switch (e.unicode()) {
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'x':
                if (!Hex(2, code)) {
                    return false;
                }
                out += QChar(code);
                break;
            case 'u':
                if (!Hex(4, code)) {
                    return false;
                }
                out += QChar(code);
                break;
            default:
                out += e;
            }
        }
        return false;
    }
    bool Val(PrefsFile::Value& value) {
        if (pos_ < s_.size() && s_[pos_] == QLatin1Char('"')) {
            value.IsText = true;
            return String(value.Text);
        }
        if (Take(QStringLiteral("true"))) {
            value.Number = 1;
            return true;
        }
        if (Take(QStringLiteral("false"))) {
            value.Number = 0;
            return true;
        }
        const qsizetype start = pos_;
        if (pos_ < s_.size() && (s_[pos_] == QLatin1Char('-') || s_[pos_] == QLatin1Char('+'))) {
            ++pos_;
        }
        while (pos_ < s_.size() && s_[pos_].isDigit()) {
            ++pos_;
        }
        bool ok = false;
        const qint64 number = QStringView(s_).mid(start, pos_ - start).toLongLong(&ok);
        if (ok) {
            value.Number = number;
        }
        return ok;
    }

    const QString& s_;
    qsizetype pos_ = 0;
};

std::optional<PrefsFile> PrefsFile::Read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return Parse(file.readAll());
}

PrefsFile PrefsFile::Parse(const QByteArray& content) {
    PrefsFile prefs;
    const QString text = QString::fromUtf8(content);
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed().toString();
        if (!trimmed.startsWith(QLatin1String("user_pref"))) {
            continue;
        }
        QString name;
        Value value;
        if (PrefsLineParser(trimmed).Parse(name, value)) {
            prefs.values_.insert(name, value);
        }
    }
    return prefs;
}

QString PrefsFile::Text(const QString& name) const {
    const auto it = values_.constFind(name);
    return it != values_.cend() && it->IsText ? it->Text : QString();
}

std::optional<qint64> PrefsFile::Number(const QString& name) const {
    const auto it = values_.constFind(name);
    return it != values_.cend() ? it->Number : std::nullopt;
}

} // namespace sievra
