#include "HeaderCollector.h"

#include "history/RestoreToken.h"

namespace sievra {

namespace {

bool StartsField(const QString& line) {
    for (const QString& name : HeaderCollector::FieldNames()) {
        if (line.startsWith(name, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

bool IsContinuation(const QString& line) {
    return !line.isEmpty() && (line[0] == QLatin1Char(' ') || line[0] == QLatin1Char('\t'));
}

} // namespace

const QStringList& HeaderCollector::FieldNames() {
    // Date, Message-ID and the restore token are for the history and the restore check; the
    // guard fields tell automatic and forged mail.
    static const QStringList names = [] {
        QStringList all = {QStringLiteral("From:"),
                           QStringLiteral("Reply-to:"),
                           QStringLiteral("Return-path:"),
                           QStringLiteral("Subject:"),
                           QStringLiteral("Date:"),
                           QStringLiteral("Message-ID:"),
                           RestoreTokenField + QLatin1Char(':')};
        for (const QString& name : GuardFieldNames()) {
            all.append(name + QLatin1Char(':'));
        }
        return all;
    }();
    return names;
}

const QStringList& HeaderCollector::GuardFieldNames() {
    static const QStringList names = {QStringLiteral("Auto-Submitted"),
                                      QStringLiteral("X-Auto-Response-Suppress"),
                                      QStringLiteral("Precedence"),
                                      QStringLiteral("List-Id"),
                                      QStringLiteral("List-Unsubscribe"),
                                      QStringLiteral("List-Post"),
                                      QStringLiteral("Authentication-Results")};
    return names;
}

void HeaderCollector::Begin(QStringList& lines) {
    lines_ = &lines;
    inKeptField_ = false;
}

void HeaderCollector::Add(const QString& line) {
    if (lines_ == nullptr) {
        return;
    }
    inKeptField_ = StartsField(line) || (inKeptField_ && IsContinuation(line));
    if (inKeptField_) {
        lines_->append(line);
    }
}

} // namespace sievra
