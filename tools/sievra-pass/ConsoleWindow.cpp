#include "ConsoleWindow.h"

#include "markup/StatusMarkup.h"

namespace sievra {

namespace {

QString Ansi(const StatusRun& run) {
    QString codes;
    if (run.Bold) {
        codes += QStringLiteral(";1");
    }
    if (run.Color == StatusColor::Red) {
        codes += QStringLiteral(";31");
    } else if (run.Color == StatusColor::Green) {
        codes += QStringLiteral(";32");
    }
    return QStringLiteral("\x1b[0%1m").arg(codes) + run.Text + QStringLiteral("\x1b[0m");
}

} // namespace

ConsoleWindow::ConsoleWindow(LoadedSettings settings, QTextStream& out, QTextStream& err,
                             bool colour)
    : settings_(std::move(settings))
    , out_(out)
    , err_(err)
    , colour_(colour) {}

QList<Account*> ConsoleWindow::Accounts() {
    QList<Account*> accounts;
    for (Account& account : settings_.Accounts) {
        accounts.append(&account);
    }
    return accounts;
}

PassOptions ConsoleWindow::ReadPassOptions() const {
    PassOptions options = PassOptions::FromGlobals(settings_.Globals);
    options.AutoMode = false;
    options.BeepOn = false;
    options.VisualAlertOn = false;
    options.PreviewOnly = options.PreviewOnly || dryRun_;
    return options;
}

void ConsoleWindow::AppendStatusLine(const QString& markup) {
    if (colour_) {
        for (const StatusRun& run : ParseStatusMarkup(markup)) {
            out_ << Ansi(run);
        }
    } else {
        // Plain text: every known tag removed, not only those the status label drops.
        for (const StatusRun& run : ParseStatusMarkup(markup)) {
            out_ << run.Text;
        }
    }
    out_ << '\n';
    out_.flush();
}

void ConsoleWindow::SetDateLabel(const QString& text) {
    out_ << text << '\n';
    out_.flush();
}

void ConsoleWindow::ShowWarning(const QString& text) {
    err_ << "sievra-pass: " << text << '\n';
    err_.flush();
}

} // namespace sievra
