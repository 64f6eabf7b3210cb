#include "RecordingWindow.h"

#include "markup/StatusMarkup.h"

namespace sievra::test {

Account& RecordingWindow::AddAccount(const Account& account) {
    AccountRecords.push_back(account);
    return AccountRecords.back();
}

QList<Account*> RecordingWindow::Accounts() {
    QList<Account*> accounts;
    for (Account& account : AccountRecords) {
        accounts.append(&account);
    }
    return accounts;
}

QStringList RecordingWindow::PlainLines() const {
    QStringList plain;
    for (const QString& line : Lines) {
        QString text;
        for (const StatusRun& run : ParseStatusMarkup(line)) {
            text += run.Text;
        }
        plain.append(text);
    }
    return plain;
}

void RecordingWindow::AppendStatusLine(const QString& markup) {
    Lines.append(markup);
    AllLines.append(markup);
    if (OnLine) {
        OnLine(markup);
    }
}

void RecordingWindow::ClearStatusLines() {
    Lines.clear();
    ++Clears;
}

void RecordingWindow::SetGoEnabled(bool enabled) {
    GoEnabled = enabled;
    SawGoDisabled = SawGoDisabled || !enabled;
}

void RecordingWindow::SetAbortEnabled(bool enabled) {
    AbortEnabled = enabled;
    SawAbortEnabled = SawAbortEnabled || enabled;
}

void RecordingWindow::ShowNewMailPopup(int waitingCount) {
    Popups.append(waitingCount);
    if (OnPopup) {
        OnPopup(waitingCount);
    }
}

} // namespace sievra::test
