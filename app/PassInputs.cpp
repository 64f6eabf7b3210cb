// What the main window gives the engine when GO or a pass starts.
#include "MainPanels.h"
#include "ReplyLines.h"
#include "TfrmMain.h"
#include "widgets/LineMemo.h"
#include "widgets/SpinEdit.h"

#include <QCheckBox>
#include <QLineEdit>

namespace sievra {

PassOptions TfrmMain::ReadPassOptions() const {
    PassOptions options = loadedOptions_;
    options.WabFile = wabFile_;
    options.AddressBooks = addressBooks_;
    options.AllowedSenders = allowedSenders_;
    options.ReplySubject = pnlMessage->txtSubject->text();
    options.ReplyHeaderLines = LinesToSave(pnlMessage->memHeader->DisplayLines());
    options.ReplyFooterLines = LinesToSave(pnlMessage->memFooter->DisplayLines());
    options.AutoMode = AutoMode();
    options.IntervalMinutes = pnlGeneral->spnInterval->value();
    options.BeepOn = pnlGeneral->chkBeep->isChecked();
    options.VisualAlertOn = pnlGeneral->chkVisual->isChecked();
    options.PreviewOnly = pnlGeneral->chkPreview->isChecked();
    return options;
}

} // namespace sievra
