#pragma once

#include <QString>
#include <QStringList>

namespace sievra {

// Gathers the lines of one fetched header that the rules read, and nothing else: a header of
// thousands of lines then costs a few short strings, whatever the server sends. Kept are the
// lines that begin one of the fields below (name and colon, without regard to case), and the
// continuation lines that fold such a field (RFC 5322 2.2.3). A line is never cut here: a cut
// address could turn into another one; the client's receive buffer already bounds it.
class HeaderCollector {
public:
    // The fields the acceptance rules and the reply read.
    static const QStringList& FieldNames();
    // Among them, without their colons, the fields that tell automatic and forged mail.
    static const QStringList& GuardFieldNames();

    // A new header begins; the lines go to `lines`.
    void Begin(QStringList& lines);
    void Add(const QString& line);

private:
    QStringList* lines_ = nullptr;
    bool inKeptField_ = false;
};

} // namespace sievra
