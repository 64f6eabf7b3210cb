// The status panel as the screening engine writes to it.
#include "MainPanels.h"
#include "TfrmMain.h"
#include "widgets/StatusList.h"
#include "engine/StatusMarkup.h"

#include <QLabel>
#include <QProgressBar>

namespace sievra {

namespace {
constexpr int LabelWidthWithBar = 245;
constexpr int LabelWidthAlone = 400;
} // namespace

void TfrmMain::AppendStatusLine(const QString& markup) {
    pnlStatus->lstTasks->AppendLine(markup);
}

void TfrmMain::ClearStatusLines() {
    pnlStatus->lstTasks->clear();
}

void TfrmMain::SetStatusLabel(const QString& text) {
    pnlStatus->lblStatus->setText(text);
}

void TfrmMain::ShowStatusBar(bool show) {
    pnlStatus->lblStatus->setFixedWidth(show ? LabelWidthWithBar : LabelWidthAlone);
    pnlStatus->pbStatus->setVisible(show);
}

void TfrmMain::SetStatusBarPosition(int position) {
    // A value past the end shows a full bar; QProgressBar would ignore it.
    pnlStatus->pbStatus->setValue(std::clamp(position, 0, 100));
}

void TfrmMain::SetDateLabel(const QString& text) {
    pnlStatus->lblDateTime->setText(text);
}

void TfrmMain::WriteStatus(const QString& text, bool labelOnly, bool showBar) {
    ShowStatusBar(showBar);
    if (!labelOnly) {
        AppendStatusLine(text);
    }
    SetStatusLabel(StripStatusMarkup(text));
}

void TfrmMain::FocusStatusList() {
    if (pnlStatus->lstTasks->isVisible()) {
        pnlStatus->lstTasks->setFocus(Qt::OtherFocusReason);
    } else {
        CommitFocusedField();
    }
}

} // namespace sievra
