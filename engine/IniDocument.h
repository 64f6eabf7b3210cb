#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace sievra {

// The text of an INI file as the private-profile functions see it: sections of "key=value"
// lines. Section and key names compare without regard to case; lines keep their order, and
// lines this class does not understand are kept as they are.
class IniDocument {
public:
    static IniDocument Parse(const QString& text);
    QString ToText() const;

    // The section's lines as stored ("key=value", or the raw line when it has no "=").
    QStringList ReadSection(const QString& section) const;
    void EraseSection(const QString& section);
    // Replaces the value of key, or appends the entry (creating the section at the end).
    void WriteEntry(const QString& section, const QString& key, const QString& value);
    bool DeleteEntry(const QString& section, const QString& key);
    // The section with one entry per value, keyed by its 0-based position ("0", "1", ...),
    // in place of what it held; in one pass, however long the list.
    void ReplaceSection(const QString& section, const QStringList& values);
    // Deletes the section's entries for which remove(key, value) holds, in one pass.
    void DeleteEntriesIf(const QString& section,
                         const std::function<bool(const QString& key, QStringView value)>& remove);
    QString ReadEntry(const QString& section, const QString& key) const;
    bool HasEntry(const QString& section, const QString& key) const;

private:
    struct Line {
        QString Key; // empty for a line without "="
        QString Text;
    };
    struct Section {
        QString Name;
        QList<Line> Lines;
    };

    Section* Find(const QString& name);
    const Section* Find(const QString& name) const;

    QStringList preamble_; // lines before the first section
    QList<Section> sections_;
};

} // namespace sievra
