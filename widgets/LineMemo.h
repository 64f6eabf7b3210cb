#pragma once

#include <QTextEdit>

namespace sievra {

// A plain-text memo with word wrap whose lines are the lines as it shows them: a long
// paragraph that wraps at the memo's width counts as several lines.
class LineMemo : public QTextEdit {
    Q_OBJECT
public:
    explicit LineMemo(QWidget* parent = nullptr);

    // One paragraph per line; clears the modified mark.
    void SetLines(const QStringList& lines);
    // The shown lines, split where the memo wraps; none for an empty memo.
    QStringList DisplayLines() const;

    bool IsModified() const;
    void SetModified(bool modified);
};

} // namespace sievra
