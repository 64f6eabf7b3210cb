#include "IniDocument.h"

namespace sievra {

namespace {

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// "[name]" with blanks around allowed, as the profile functions read it.
bool IsSectionHeader(const QString& line, QString* name) {
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')) || !trimmed.endsWith(QLatin1Char(']'))) {
        return false;
    }
    *name = trimmed.mid(1, trimmed.size() - 2).trimmed();
    return true;
}

} // namespace

IniDocument IniDocument::Parse(const QString& text) {
    IniDocument doc;
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        QString name;
        if (IsSectionHeader(line, &name)) {
            doc.sections_.append({name, {}});
            continue;
        }
        if (doc.sections_.isEmpty()) {
            doc.preamble_.append(line);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString key = eq < 0 ? QString() : line.left(eq).trimmed();
        doc.sections_.last().Lines.append({key, line});
    }
    return doc;
}

QString IniDocument::ToText() const {
    QString text;
    for (const QString& line : preamble_) {
        text += line + QLatin1Char('\n');
    }
    for (const Section& section : sections_) {
        text += QLatin1Char('[') + section.Name + QStringLiteral("]\n");
        for (const Line& line : section.Lines) {
            text += line.Text + QLatin1Char('\n');
        }
    }
    return text;
}

IniDocument::Section* IniDocument::Find(const QString& name) {
    for (Section& section : sections_) {
        if (SameName(section.Name, name)) {
            return &section;
        }
    }
    return nullptr;
}

const IniDocument::Section* IniDocument::Find(const QString& name) const {
    return const_cast<IniDocument*>(this)->Find(name);
}

QStringList IniDocument::ReadSection(const QString& section) const {
    QStringList entries;
    if (const Section* s = Find(section)) {
        for (const Line& line : s->Lines) {
            if (!line.Text.trimmed().isEmpty()) {
                entries.append(line.Text);
            }
        }
    }
    return entries;
}

void IniDocument::EraseSection(const QString& section) {
    sections_.removeIf([&](const Section& s) { return SameName(s.Name, section); });
}

void IniDocument::WriteEntry(const QString& section, const QString& key, const QString& value) {
    Section* s = Find(section);
    if (s == nullptr) {
        sections_.append({section, {}});
        s = &sections_.last();
    }
    const QString text = key + QLatin1Char('=') + value;
    for (Line& line : s->Lines) {
        if (!line.Key.isEmpty() && SameName(line.Key, key)) {
            line.Text = text;
            return;
        }
    }
    s->Lines.append({key, text});
}

bool IniDocument::DeleteEntry(const QString& section, const QString& key) {
    Section* s = Find(section);
    if (s == nullptr) {
        return false;
    }
    return s->Lines.removeIf([&](const Line& line) {
        return !line.Key.isEmpty() && SameName(line.Key, key);
    }) > 0;
}

void IniDocument::ReplaceSection(const QString& section, const QStringList& values) {
    EraseSection(section);
    Section fresh{section, {}};
    fresh.Lines.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QString key = QString::number(i);
        fresh.Lines.append({key, key + QLatin1Char('=') + values[i]});
    }
    sections_.append(std::move(fresh));
}

void IniDocument::DeleteEntriesIf(
    const QString& section,
    const std::function<bool(const QString& key, QStringView value)>& remove) {
    Section* s = Find(section);
    if (s == nullptr) {
        return;
    }
    s->Lines.removeIf([&](const Line& line) {
        if (line.Key.isEmpty()) {
            return false;
        }
        const qsizetype eq = line.Text.indexOf(QLatin1Char('='));
        return remove(line.Key, QStringView(line.Text).sliced(eq + 1));
    });
}

QString IniDocument::ReadEntry(const QString& section, const QString& key) const {
    if (const Section* s = Find(section)) {
        for (const Line& line : s->Lines) {
            if (!line.Key.isEmpty() && SameName(line.Key, key)) {
                return line.Text.mid(line.Text.indexOf(QLatin1Char('=')) + 1);
            }
        }
    }
    return QString();
}

bool IniDocument::HasEntry(const QString& section, const QString& key) const {
    if (const Section* s = Find(section)) {
        for (const Line& line : s->Lines) {
            if (!line.Key.isEmpty() && SameName(line.Key, key)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace sievra
